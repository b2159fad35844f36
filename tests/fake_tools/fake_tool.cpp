// Stands in for the JDK's jar.exe and java.exe on Windows, as fake_tool does on POSIX systems: prints
// the arguments it was given, as CommandLineToArgvW splits its command line, each in <>, so tests can
// check them byte for byte. With FAKE_TOOL_LOG set it also logs them with its working directory and
// its parent's name. A copy found in or below the working directory marks it, in a file "pwned", and
// stops.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string to_utf8(const std::wstring& wide) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);
  return bytes;
}

/// This process's arguments as UTF-8, the first reduced to the tool's name.
std::vector<std::string> arguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(to_utf8(argv[i]));
  ::LocalFree(argv);
  std::string& tool = result.at(0);
  tool = tool.substr(tool.find_last_of("\\/") + 1);
  if (tool.size() > 4 && tool.ends_with(".exe")) tool.resize(tool.size() - 4);
  return result;
}

/// The working directory as the POSIX side names it: Wine's Z: drive is the root.
std::string working_directory() {
  wchar_t buffer[MAX_PATH];
  std::string path = to_utf8(std::wstring(buffer, ::GetCurrentDirectoryW(MAX_PATH, buffer)));
  if (path.starts_with("Z:")) path.erase(0, 2);
  for (char& c : path) c = c == '\\' ? '/' : c;
  return path;
}

/// The name of the process that started this one, without ".exe".
std::string parent_name() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  std::string name = "?";
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == parent) name = to_utf8(entry.szExeFile);
  ::CloseHandle(snapshot);
  if (name.ends_with(".exe")) name.resize(name.size() - 4);
  return name;
}

/// Whether this copy lies in or below the working directory, where no tool may be taken from.
bool runs_from_working_directory() {
  wchar_t self[MAX_PATH];
  wchar_t here[MAX_PATH];
  std::wstring directory(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
  directory.resize(directory.find_last_of(L"\\/") + 1);
  std::wstring working(here, ::GetCurrentDirectoryW(MAX_PATH, here));
  if (!working.ends_with(L'\\')) working += L'\\';
  return directory.size() >= working.size() &&
         ::lstrcmpiW(directory.substr(0, working.size()).c_str(), working.c_str()) == 0;
}

/// One line of standard input, a byte at a time so that nothing after it is taken.
std::string read_line() {
  std::string line;
  char byte = 0;
  DWORD got = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got == 1 && byte != '\n')
    if (byte != '\r') line += byte;
  return line;
}

/// Writes `text` (UTF-8) on standard output: as its characters to a console, else as its bytes.
void say(const std::string& text) {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(output, &mode)) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    return;
  }
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  DWORD written = 0;
  ::WriteConsoleW(output, wide.c_str(), static_cast<DWORD>(wide.size() - 1), &written, nullptr);
}

}  // namespace

int main() {
  if (runs_from_working_directory()) {
    std::fclose(std::fopen("pwned", "w"));
    return 3;
  }
  const std::vector<std::string> args = arguments();
  std::string said = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) said += " <" + args[i] + ">";
  if (const char* log = std::getenv("FAKE_TOOL_LOG")) {
    std::FILE* file = std::fopen(log, "a");
    std::fprintf(file, "%s cwd=%s parent=%s\n", said.c_str(), working_directory().c_str(), parent_name().c_str());
    std::fclose(file);
  }
  say(said + "\n");
  if (args.back() == "error.jar") std::fprintf(stderr, "%s: cannot open error.jar\n", args[0].c_str());
  if (args.back() == "reader.jar") say("java read <" + read_line() + ">\n");
  if (args.back() == "slow.jar") {
    // An application that takes its time, for Ctrl+C to stop.
    say("slow started\n");
    ::Sleep(30000);
    say("slow finished\n");
  }
  // A failing status, which jarmenu must not care about.
  return 3;
}
