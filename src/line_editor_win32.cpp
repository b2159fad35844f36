// Line editing at a Windows console: the console's own keys and history, and Tab completing a file
// name as cmd's does. A read that Tab ends returns the line so far; the program completes the word
// before the Tab, shows the line itself, and reads on with the line kept as typed.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "completion.h"
#include "line_editor.h"
#include "win32.h"

namespace jarmenu::sys {
namespace {

// A read of the console ends at Enter, or at Tab.
constexpr ULONG kTabEndsARead = 1u << L'\t';
// The characters one read takes; a longer line comes in several.
constexpr std::size_t kReadLimit = 4096;

/// What the last Tab completed, so that the next one goes on to the next match, as in cmd.
struct TabState {
  std::wstring shown;                // the line as that Tab left it
  std::wstring head;                 // the line up to the name being completed
  std::vector<Candidate> matches;    // in the order Tab goes through them
  std::size_t index = 0;
};

/// Whether `name` begins with `stem` as Windows compares file names: in any case.
bool starts_with_in_any_case(std::string_view name, std::string_view stem) {
  const std::wstring wide_name = to_wide(name);
  const std::wstring wide_stem = to_wide(stem);
  if (wide_stem.size() > wide_name.size()) return false;
  const int length = static_cast<int>(wide_stem.size());
  return ::CompareStringOrdinal(wide_name.data(), length, wide_stem.data(), length, TRUE) == CSTR_EQUAL;
}

/// `typed` with its last word completed to the next match (`backwards`: the one before), or as
/// it is when nothing matches. A word's directory part may end in / or \; a directory gets a \. The
/// name is matched in any case and put in as it is spelled on disk, as cmd does.
std::wstring complete(const std::wstring& typed, bool backwards, TabState& tabs) {
  if (typed != tabs.shown || tabs.matches.empty()) {
    const std::size_t word = typed.find_last_of(L" \t\n\v\f\r") + 1;
    const std::size_t separator = typed.find_last_of(L"/\\");
    const std::size_t name = separator == std::wstring::npos || separator < word ? word : separator + 1;
    tabs.head = typed.substr(0, name);
    tabs.matches = completion_candidates(to_utf8(typed.substr(word, name - word)), to_utf8(typed.substr(name)),
                                         starts_with_in_any_case);
    tabs.index = backwards && !tabs.matches.empty() ? tabs.matches.size() - 1 : 0;
  } else {
    tabs.index = (tabs.index + (backwards ? tabs.matches.size() - 1 : 1)) % tabs.matches.size();
  }
  if (tabs.matches.empty()) return typed;
  const Candidate& match = tabs.matches[tabs.index];
  tabs.shown = tabs.head + to_wide(match.name) + (match.directory ? L"\\" : L"");
  return tabs.shown;
}

/// The console's cursor on `screen`, where the next character shows.
COORD cursor(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ::GetConsoleScreenBufferInfo(screen, &info);
  return info.dwCursorPosition;
}

/// Shows `line` on `screen` from `start` over what is shown there up to the cursor, and leaves the
/// cursor after it, where the console goes on echoing.
void show(HANDLE screen, COORD start, const std::wstring& line) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ::GetConsoleScreenBufferInfo(screen, &info);
  const auto offset = [&](COORD at) { return at.Y * info.dwSize.X + at.X; };
  const int shown_before = offset(info.dwCursorPosition) - offset(start);
  DWORD written = 0;
  ::SetConsoleCursorPosition(screen, start);
  ::WriteConsoleW(screen, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  const COORD end = cursor(screen);
  // A shorter line leaves the end of the longer one to blank out.
  const int left_over = shown_before - (offset(end) - offset(start));
  if (left_over > 0) {
    const std::wstring blanks(static_cast<std::size_t>(left_over), L' ');
    ::WriteConsoleW(screen, blanks.data(), static_cast<DWORD>(blanks.size()), &written, nullptr);
  }
  ::SetConsoleCursorPosition(screen, end);
}

/// Reads the console up to Enter, completing a name at each Tab: the line, its line end included;
/// empty at the end of input. A line too long for one read comes back in parts.
std::wstring read_console_line(HANDLE console) {
  // The screen of the console, which echoes there whatever standard output is.
  const OwnedHandle screen(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  const COORD start = cursor(screen.get());
  std::wstring typed;
  TabState tabs;
  std::vector<wchar_t> buffer(kReadLimit);
  for (;;) {
    typed.copy(buffer.data(), typed.size());
    CONSOLE_READCONSOLE_CONTROL control{sizeof control, static_cast<ULONG>(typed.size()), kTabEndsARead, 0};
    DWORD got = 0;
    ::SetLastError(ERROR_SUCCESS);
    const bool read = ::ReadConsoleW(console, buffer.data(), static_cast<DWORD>(buffer.size()), &got, &control);
    // Ctrl+C typed at the prompt breaks the read off, and ends the program as it ends any other.
    if (::GetLastError() == ERROR_OPERATION_ABORTED && (!read || got == 0)) ::ExitProcess(STATUS_CONTROL_C_EXIT);
    if (!read) return {};
    typed.assign(buffer.data(), got);
    const std::size_t tab = typed.find(L'\t');
    if (tab == std::wstring::npos) return typed;
    const bool backwards = (control.dwControlKeyState & SHIFT_PRESSED) != 0;
    std::wstring completed = complete(typed.substr(0, tab), backwards, tabs) + typed.substr(tab + 1);
    typed.erase(tab, 1);
    // The next read takes the line up again; a completion too long for it is given up.
    if (completed.size() < buffer.size()) typed = std::move(completed);
    show(screen.get(), start, typed);
  }
}

}  // namespace

bool read_edited_line(std::string& line) {
  std::wstring typed;
  do {
    const std::wstring part = read_console_line(::GetStdHandle(STD_INPUT_HANDLE));
    if (part.empty()) break;
    typed += part;
  } while (typed.back() != L'\n');
  // The console's convention: a line that begins with Ctrl+Z ends the input.
  if (typed.empty() || typed.front() == L'\x1a') return false;
  line = to_utf8(typed);
  return true;
}

}  // namespace jarmenu::sys
