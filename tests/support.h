// Shared test support: descriptors, temporary directories, and running the
// built jarmenu on pipes or on a pseudo-terminal, always within a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jarmenu::test {

using namespace std::chrono_literals;

/// A descriptor closed exactly once, when its owner goes away or is reset.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd() { reset(); }
  int get() const { return fd_; }
  /// Closes the descriptor now; close is not retried on EINTR, as the descriptor is gone either way.
  void reset();

 private:
  int fd_ = -1;
};

/// Both ends of a fresh pipe.
struct Pipe {
  UniqueFd read_end;
  UniqueFd write_end;
};
/// Makes a pipe whose ends are closed across exec.
Pipe make_pipe();
/// Writes all of `bytes` to `fd`, failing the test on error.
void write_fully(int fd, std::string_view bytes);
/// Reads whatever `fd` holds now without waiting for more; "" when nothing is waiting.
std::string read_available(int fd);

/// The whole content of the file at `path`; "" if it cannot be read.
std::string read_file(const std::filesystem::path& path);

/// A fresh directory, removed with everything in it when the owner goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// Which jar and java the program finds: the stand-ins, the JDK's, or none at all.
enum class Tools { kFake, kReal, kNone };

/// How to start jarmenu: where, with which extra environment and tools, and from what script.
struct Launch {
  std::filesystem::path directory;
  std::vector<std::pair<std::string, std::string>> environment;  // a search path here overrides `tools`
  Tools tools = Tools::kFake;
  bool errors_to_output = false;  // on pipes: standard error joins standard output, as on a console
  std::string shell_script = {};  // if set, /bin/sh runs it in jarmenu's place, with $JARMENU naming jarmenu
};

/// Whether the program under test is jarmenu.exe, run under Wine, rather than the native jarmenu:
/// so it is when JARMENU_WINDOWS_BUILD names the Windows build's test directory.
bool on_windows();
/// `text` with each line feed as the line end of the program under test: CR LF on Windows.
std::string native_lines(std::string_view text);
/// The stand-in jar of the program under test, to copy where no tool may be taken from.
std::filesystem::path fake_jar();
/// `path` as the program under test names it: on Windows, on Wine's Z: drive with backslashes.
std::string native_path(const std::filesystem::path& path);
/// The line the program under test writes where `tool` (jar or java) is nowhere: `home_note` after
/// JAVA_HOME, and `more` after the places searched.
std::string tool_not_found(std::string_view tool, std::string_view home_note = {}, std::string_view more = {});

/// What a finished run left: its standard output and error, and how it ended.
struct RunResult {
  std::string output;
  std::string errors;  // standard error, unless it joined standard output
  int exit_status = -1;  // -1 unless it exited normally
  bool timed_out = false;
};

/// Runs jarmenu with `input` on a pipe as standard input and a pipe as standard output.
/// With `close_output` the reading end is closed before jarmenu writes anything.
RunResult run_on_pipes(const Launch& launch, std::string_view input, bool close_output = false,
                       std::chrono::milliseconds deadline = 30s);

/// Keys typed at a Windows console, and what the screen must show once they are typed (rows joined
/// by \n, trailing blanks dropped; see console_driver.cpp for the keys).
struct ConsoleStep {
  std::string_view keys;
  std::string_view shows;
};

/// Runs jarmenu.exe under Wine at a console of its own on a pseudo-terminal, typing `steps`: what the
/// driver wrote, "FAIL: ..." lines for what went wrong, then "exit N" (N in hex) and the screen.
std::string run_at_console(const Launch& launch, const std::vector<ConsoleStep>& steps);

/// jarmenu running on a pseudo-terminal, killed if still running when the session goes away.
class PtySession {
 public:
  explicit PtySession(const Launch& launch);
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  /// Types `keys` at the terminal.
  void type(std::string_view keys);
  /// Waits until the screen output since the last mark holds `text`; false at the deadline.
  bool wait_for(std::string_view text, std::chrono::milliseconds deadline = 20s);
  /// Keeps reading for all of `period`, so that seen() then holds everything shown in it.
  void collect_for(std::chrono::milliseconds period);
  /// Waits until the terminal is in line mode (`line_mode`) or out of it, as a line editor puts it
  /// while it reads; false at the deadline.
  bool wait_for_mode(bool line_mode, std::chrono::milliseconds deadline = 5s);
  /// Everything shown since the last mark; mark() starts a new stretch.
  const std::string& seen() const { return seen_; }
  void mark() { seen_.clear(); }
  /// Waits for jarmenu to end, killing it at the deadline: its exit status, or -1 if it did not exit normally.
  int wait_exit(std::chrono::milliseconds deadline = 20s);

 private:
  bool read_some(std::chrono::milliseconds deadline);

  UniqueFd master_;
  pid_t pid_ = -1;
  std::string seen_;
};

/// The texts jarmenu writes, for building expected output.
namespace text {
inline constexpr std::string_view kMenu =
    "Welcome to the ZOLT TIBO Java Jar Tool\n"
    "Please choose a menu option: \n"
    "1: View the contents of a Jar file\n"
    "2: Extract the contents of a Jar file\n"
    "3: Run the Jar file\n"
    "4: Quit\n";
inline constexpr std::string_view kViewPrompt = "Enter jar file to be viewed: \n";
inline constexpr std::string_view kExtractPrompt = "Enter jar file to be extracted: \n";
inline constexpr std::string_view kExample = "(Example: Example.jar)\n";
}  // namespace text

}  // namespace jarmenu::test
