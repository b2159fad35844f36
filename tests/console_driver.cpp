// Drives a program at a Windows console, as a person at it would: starts the program on this
// process's own console, types keys into the console's input, and reads the screen back. Run under
// Wine on a pseudo-terminal (script -qfec "wine console_driver.exe ..." /dev/null), where the
// console is Wine's.
//
// Usage: console_driver.exe STEPS TRANSCRIPT PROGRAM
// STEPS holds steps, each ended by \x1e: keys to type, \x1f, and a text the screen must then show
// from the row the cursor was on when the keys were typed (rows joined by \n, trailing blanks
// dropped); a step without keys looks on from the last one's row. Keys are UTF-8; \r is Enter, \t
// Tab, \x0f Shift+Tab, \x1a Ctrl+Z and \x03 Ctrl+C. Once the steps are done the driver waits for
// the program to end, and writes TRANSCRIPT: "FAIL: ..." lines for what went wrong, "exit N" (N in
// hex), and the screen.
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "win32.h"

namespace {

using namespace std::chrono_literals;
using jarmenu::sys::to_utf8;
using jarmenu::sys::to_wide;

constexpr wchar_t kShiftTab = L'\x0f';
constexpr wchar_t kCtrlC = L'\x03';
// Generous: under load Wine's console is slow, and every wait ends as soon as what it waits for comes.
constexpr auto kDeadline = 30s;

/// The screen's rows down to the cursor's, each without its trailing blanks, joined by \n.
std::string screen() {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(output, &info)) return {};
  std::wstring text;
  std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    DWORD got = 0;
    ::ReadConsoleOutputCharacterW(output, row.data(), static_cast<DWORD>(row.size()), COORD{0, y}, &got);
    const std::wstring_view shown(row.data(), got);
    text.append(shown.substr(0, shown.find_last_not_of(L' ') + 1));
    text += L'\n';
  }
  return to_utf8(text);
}

/// Where the screen's text of the cursor's row begins: what a step's keys bring shows from there.
std::size_t mark() {
  const std::string text = screen();
  return text.size() < 2 ? 0 : text.rfind('\n', text.size() - 2) + 1;
}

/// One key record, pressed or released, for `character`.
INPUT_RECORD key(wchar_t character, bool down) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  KEY_EVENT_RECORD& event = record.Event.KeyEvent;
  event.bKeyDown = down;
  event.wRepeatCount = 1;
  event.uChar.UnicodeChar = character == kShiftTab ? L'\t' : character;
  event.wVirtualKeyCode = character == L'\r' ? VK_RETURN : character == L'\t' || character == kShiftTab ? VK_TAB
                          : character == L'\x1a' ? 'Z' : character == kCtrlC ? 'C' : 0;
  if (character == kShiftTab) event.dwControlKeyState = SHIFT_PRESSED;
  if (character == L'\x1a' || character == kCtrlC) event.dwControlKeyState = LEFT_CTRL_PRESSED;
  return record;
}

/// Types `keys` at the console, a key at a time, as a person would: the console itself turns Ctrl+C
/// into the event its programs get.
void type(const std::wstring& keys) {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  for (const wchar_t character : keys) {
    const INPUT_RECORD records[] = {key(character, true), key(character, false)};
    DWORD written = 0;
    ::WriteConsoleInputW(input, records, 2, &written);
    std::this_thread::sleep_for(5ms);
  }
}

/// Waits until the screen shows `text` at or after `from`; false at the deadline.
bool wait_for(const std::string& text, std::size_t from) {
  for (const auto until = std::chrono::steady_clock::now() + kDeadline; std::chrono::steady_clock::now() < until;) {
    if (screen().find(text, from) != std::string::npos) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

/// Ctrl+C is for the program and its tools; the driver carries on.
BOOL WINAPI ignore_interrupt(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  std::ifstream steps_file(argv[1], std::ios::binary);
  std::stringstream steps;
  steps << steps_file.rdbuf();
  std::ofstream transcript(argv[2], std::ios::binary);
  ::SetConsoleCtrlHandler(ignore_interrupt, TRUE);
  // Rows enough that nothing scrolls away while the steps look at the screen.
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info);
  ::SetConsoleScreenBufferSize(::GetStdHandle(STD_OUTPUT_HANDLE), COORD{info.dwSize.X, 3000});
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command_line = L"\"" + std::wstring(argv[3]) + L"\"";
  if (!::CreateProcessW(argv[3], command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    transcript << "FAIL: cannot start the program\n";
    return 1;
  }
  const jarmenu::sys::OwnedHandle program(process.hProcess);
  const jarmenu::sys::OwnedHandle thread(process.hThread);
  std::size_t from = 0;
  for (std::string step; std::getline(steps, step, '\x1e');) {
    const std::size_t separator = step.find('\x1f');
    const std::string keys = step.substr(0, separator);
    const std::string shows = separator == std::string::npos ? "" : step.substr(separator + 1);
    // A step without keys looks on from where the last one looked.
    if (!keys.empty()) from = mark();
    type(to_wide(keys));
    if (!shows.empty() && !wait_for(shows, from)) {
      transcript << "FAIL: after typing <" << keys << ">, no <" << shows << ">\n";
      break;
    }
  }
  if (::WaitForSingleObject(program.get(), 30000) != WAIT_OBJECT_0) {
    transcript << "FAIL: the program did not end\n";
    ::TerminateProcess(program.get(), 1);
    ::WaitForSingleObject(program.get(), 10000);
  }
  DWORD status = 0;
  ::GetExitCodeProcess(program.get(), &status);
  transcript << "exit " << std::hex << status << "\n" << screen();
  return 0;
}
