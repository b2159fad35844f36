// The operating system's part on Windows: the Win32 API alone, and no command interpreter.
//
// cmd.exe cannot be handed an arbitrary name safely (it expands %VAR% even inside quotes, a quote
// ends its quoting, and a jar.bat re-parses its arguments), and it would run a jar.exe or jar.bat
// from the working directory, where Extract has just written an archive's files. So the tool is
// looked up by tool_lookup.h's rule, never in the working directory, and started directly, with a
// command line the C runtime splits back into exactly its arguments.
#include <algorithm>
#include <optional>

#include "line_editor.h"
#include "quoting.h"
#include "system.h"
#include "tool_lookup.h"
#include "win32.h"

namespace jarmenu::sys {
namespace {

/// The HANDLE that `handle` carries.
HANDLE as_handle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

/// Whether `handle` is a console; _isatty would also say so of NUL.
bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle, &mode) != 0;
}

/// The environment variable `name` as UTF-8, if it is set.
std::optional<std::string> environment_variable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), size));
  return to_utf8(value);
}

/// The string `value` of the key `key` in HKEY_LOCAL_MACHINE's 64-bit view; "" if there is none.
std::wstring machine_string(const std::wstring& key, const wchar_t* value) {
  constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY;
  DWORD size = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value, kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return {};
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value, kFlags, nullptr, text.data(), &size) != ERROR_SUCCESS)
    return {};
  // The size counts the terminating null; a value may hold nulls of its own, where it ends too.
  text.resize(std::min(text.find(L'\0'), text.size()));
  return text;
}

/// The home of the JDK that the installers registered as current (Oracle's, and others alike).
std::string registered_java_home() {
  const std::wstring key = L"SOFTWARE\\JavaSoft\\JDK";
  const std::wstring version = machine_string(key, L"CurrentVersion");
  return version.empty() ? "" : to_utf8(machine_string(key + L"\\" + version, L"JavaHome"));
}

/// What the tools are looked for in: PATH, JAVA_HOME and the registered JDK, by Windows' rules.
ToolSearch tool_search() {
  return {environment_variable(L"PATH").value_or(""), environment_variable(L"JAVA_HOME"), registered_java_home(), true};
}

/// Lets Ctrl+C and Ctrl+Break stop the tool alone: the program itself carries on.
BOOL WINAPI ignore_interrupt(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

/// Starts `program` with the command line `line` on the program's standard handles, and waits for it.
bool run_and_wait(const std::wstring& program, std::wstring line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // A handler, not SetConsoleCtrlHandler(NULL, TRUE), which the tool would inherit. It stays from
  // the first tool on: the console hands Ctrl+C to the tool and to the program each on a thread of
  // its own, and the program's may come after the tool has ended. A Ctrl+C typed at a prompt ends
  // the program through the read it breaks off (line_editor_win32.cpp).
  [[maybe_unused]] static const bool ignoring = ::SetConsoleCtrlHandler(ignore_interrupt, TRUE) != 0;
  const bool started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process) != 0;
  if (started) {
    const OwnedHandle process_handle(process.hProcess);
    const OwnedHandle thread_handle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
  }
  return started;
}

/// Writes one line on standard error, where a shell would say that a command could not run.
void report(std::string_view line) { write_all(reinterpret_cast<Handle>(::GetStdHandle(STD_ERROR_HANDLE)), line); }

}  // namespace

std::string to_utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring to_wide(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  UINT code_page = CP_UTF8;
  DWORD flags = MB_ERR_INVALID_CHARS;
  int size = ::MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  if (size == 0) {
    code_page = CP_ACP;
    flags = 0;
    size = ::MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(code_page, flags, bytes.data(), length, wide.data(), size);
  return wide;
}

Handle standard_input() { return reinterpret_cast<Handle>(::GetStdHandle(STD_INPUT_HANDLE)); }

Handle standard_output() { return reinterpret_cast<Handle>(::GetStdHandle(STD_OUTPUT_HANDLE)); }

bool is_terminal(Handle handle) { return is_console(as_handle(handle)); }

bool write_all(Handle handle, std::string_view bytes) {
  // Text mode: each line feed goes out as CR LF, on a console, a pipe or a file alike.
  std::string text;
  for (const char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  for (std::string_view rest = text; !rest.empty();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
    if (!::WriteFile(as_handle(handle), rest.data(), chunk, &written, nullptr) || written == 0) return false;
    rest.remove_prefix(written);
  }
  return true;
}

// A console is read a line at a time: a byte at a time it would leave the rest of the line to the
// shell, and byte-sized console reads are not reliable.
ByteReader::ByteReader(Handle handle) : handle_(handle), whole_lines_(is_console(as_handle(handle))) {}

int ByteReader::read_byte() {
  const HANDLE handle = as_handle(handle_);
  if (whole_lines_) {
    if (taken_ == line_.size()) {
      if (!read_edited_line(line_)) line_.clear();
      taken_ = 0;
    }
    return line_.empty() ? kEnd : static_cast<unsigned char>(line_[taken_++]);
  }
  // Binary, one byte: no line-end translation, 0x1A is a byte like any other, and nothing past
  // the end of an item is taken from a pipe or a file that a tool reads next.
  unsigned char byte = 0;
  DWORD got = 0;
  if (!::ReadFile(handle, &byte, 1, &got, nullptr) || got == 0) return kEnd;
  return byte;
}

void ByteReader::drop_rest_of_line(int) {
  // The rest of a console line is already the program's, and goes with it; lines typed after it
  // stay in the console for the shell.
  line_.clear();
  taken_ = 0;
}

void keep_running_on_broken_pipe() {
  // Nothing to do: a write to a closed pipe fails with an error, and no signal comes.
}

void run_tool(std::string_view prefix, std::string_view name) {
  const ToolCommand command = find_tool(prefix, tool_search());
  if (command.program.empty()) {
    report(command.complaint);
    return;
  }
  const std::wstring program = command.program.wstring();
  const std::string line = compose_command_line(to_utf8(program), command.arguments, to_utf8(to_wide(name)));
  if (!run_and_wait(program, to_wide(line))) report("jarmenu: " + command.tool + ": cannot be started\n");
}

}  // namespace jarmenu::sys
