#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace jarmenu::test {
namespace {

using Clock = std::chrono::steady_clock;

/// Everything a child needs to exec jarmenu, prepared before fork so the child only makes system calls.
struct ExecPlan {
  std::string binary;
  std::string directory;
  std::string shell_script;
  std::vector<std::string> environment;
  std::vector<char*> envp;
};

/// The Windows build's test directory, or null for the native program.
const char* windows_build() { return std::getenv("JARMENU_WINDOWS_BUILD"); }

/// Where the Windows build keeps its stand-in jar.exe and java.exe.
std::filesystem::path windows_fake_tools() { return std::filesystem::path(windows_build()) / "fake_tools"; }

/// The search path that gives the program under test the tools `tools`, in the variable it comes in.
std::pair<std::string, std::string> tools_path(Tools tools) {
  // Wine puts WINEPATH before Windows' own directories, none of which holds a jar.exe.
  if (on_windows()) return {"WINEPATH", tools == Tools::kFake ? native_path(windows_fake_tools()) : ""};
  if (tools == Tools::kNone) return {"PATH", "/nonexistent"};
  const char* path = std::getenv("PATH");
  const std::string search_path = path != nullptr ? path : "/usr/bin:/bin";
  return {"PATH", tools == Tools::kFake ? std::string(FAKE_TOOLS_DIR) + ":" + search_path : search_path};
}

/// The program under test: the Windows build's, a packaged one that JARMENU_UNDER_TEST names, or this tree's.
std::string program_under_test() {
  if (on_windows()) return std::string(windows_build()) + "/jarmenu-wine";
  const char* packaged = std::getenv("JARMENU_UNDER_TEST");
  return packaged != nullptr && *packaged != '\0' ? packaged : JARMENU_BINARY;
}

ExecPlan make_plan(const Launch& launch) {
  const std::string binary = program_under_test();
  ExecPlan plan{binary, launch.directory.string(), launch.shell_script, {}, {}};
  std::vector<std::pair<std::string, std::string>> overrides = launch.environment;
  if (!launch.shell_script.empty()) overrides.emplace_back("JARMENU", binary);
  const auto search_path = tools_path(launch.tools);
  const auto names_it = [&](const auto& pair) { return pair.first == search_path.first; };
  if (std::none_of(overrides.begin(), overrides.end(), names_it)) overrides.push_back(search_path);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view line(*entry);
    const std::string_view name = line.substr(0, line.find('='));
    // The terminal's type and the JDK's home come only from the test: without a type jarmenu does
    // not edit lines, and with a home it finds tools there that the test did not put there.
    bool overridden = name == "TERM" || name == "JAVA_HOME";
    for (const auto& pair : overrides) overridden = overridden || pair.first == name;
    if (!overridden) plan.environment.emplace_back(line);
  }
  for (const auto& [name, value] : overrides) plan.environment.push_back(name + "=" + value);
  for (std::string& entry : plan.environment) plan.envp.push_back(entry.data());
  plan.envp.push_back(nullptr);
  return plan;
}

/// In the child: enters the directory and becomes jarmenu, or the shell running the plan's script,
/// with SIGPIPE as a shell would leave it.
[[noreturn]] void exec_child(ExecPlan& plan) {
  ::signal(SIGPIPE, SIG_DFL);
  // A group of its own, so that a deadline kills a script's jarmenu along with the script.
  // (A terminal's child already leads a session, and stays as it is.)
  ::setpgid(0, 0);
  if (!plan.directory.empty() && ::chdir(plan.directory.c_str()) != 0) ::_exit(126);
  char shell[] = "/bin/sh";
  char dash_c[] = "-c";
  char* jarmenu_argv[] = {plan.binary.data(), nullptr};
  char* shell_argv[] = {shell, dash_c, plan.shell_script.data(), nullptr};
  if (plan.shell_script.empty())
    ::execve(plan.binary.c_str(), jarmenu_argv, plan.envp.data());
  else
    ::execve(shell, shell_argv, plan.envp.data());
  ::_exit(127);
}

/// Reaps `pid` by the deadline, calling `meanwhile` between looks and killing it if it is still
/// running then; the exit status, or -1 if it did not exit normally.
int reap(pid_t pid, Clock::time_point deadline, bool* timed_out = nullptr,
         const std::function<void()>& meanwhile = [] { std::this_thread::sleep_for(2ms); }) {
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      if (timed_out != nullptr) *timed_out = true;
      return -1;
    }
    meanwhile();
  }
}

int millis_until(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

bool on_windows() { return windows_build() != nullptr; }

std::string native_lines(std::string_view text) {
  std::string result;
  for (const char c : text) {
    if (c == '\n' && on_windows()) result += '\r';
    result += c;
  }
  return result;
}

std::filesystem::path fake_jar() {
  return on_windows() ? windows_fake_tools() / "jar.exe" : std::filesystem::path(FAKE_TOOLS_DIR) / "fake_tool";
}

std::string native_path(const std::filesystem::path& path) {
  if (!on_windows()) return path.string();
  std::string windows_path = "Z:" + path.string();
  std::replace(windows_path.begin(), windows_path.end(), '/', '\\');
  return windows_path;
}

std::string tool_not_found(std::string_view tool, std::string_view home_note, std::string_view more) {
  const std::string home = "JAVA_HOME" + std::string(home_note);
  const std::string places = on_windows() ? "PATH, in " + home + " or in the registry" : "PATH or in " + home;
  return "jarmenu: " + std::string(tool) + (on_windows() ? ".exe" : "") + ": not found on " + places +
         std::string(more) + "; install a JDK, or set JAVA_HOME to one\n";
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void UniqueFd::reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Pipe make_pipe() {
  int fds[2] = {-1, -1};
  // pipe() and fcntl(), not pipe2(), which macOS lacks; the tests start no program meanwhile.
  if (::pipe(fds) != 0) ADD_FAILURE() << "pipe: " << std::strerror(errno);
  for (const int fd : fds) {
    if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

void write_fully(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ADD_FAILURE() << "write: " << std::strerror(errno);
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string read_available(int fd) {
  std::string got;
  char buffer[4096];
  pollfd entry{fd, POLLIN, 0};
  while (::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "jarmenu-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

/// Writes `input` to `to_child` and closes it, while collecting what `from_child` (if open) says,
/// until both are done or the deadline passes.
std::string exchange(UniqueFd& to_child, UniqueFd& from_child, std::string_view input, Clock::time_point until) {
  ::fcntl(to_child.get(), F_SETFL, O_NONBLOCK);
  std::string output;
  for (;;) {
    // Closing standard input once it is all written is how jarmenu sees the end of input.
    if (input.empty()) to_child.reset();
    if ((to_child.get() < 0 && from_child.get() < 0) || Clock::now() >= until) return output;
    pollfd entries[2] = {{to_child.get(), POLLOUT, 0}, {from_child.get(), POLLIN, 0}};
    if (::poll(entries, 2, millis_until(until)) <= 0) continue;
    if (entries[0].revents != 0) {
      const ssize_t n = ::write(to_child.get(), input.data(), input.size());
      if (n > 0) input.remove_prefix(static_cast<std::size_t>(n));
      if (n < 0 && errno != EAGAIN && errno != EINTR) input = {};
    }
    if (entries[1].revents != 0) {
      char buffer[4096];
      const ssize_t n = ::read(from_child.get(), buffer, sizeof buffer);
      if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EINTR)) from_child.reset();
    }
  }
}

}  // namespace

RunResult run_on_pipes(const Launch& launch, std::string_view input, bool close_output,
                       std::chrono::milliseconds deadline) {
  // jarmenu may end before it has read all its input; the test must not die writing the rest.
  ::signal(SIGPIPE, SIG_IGN);
  const auto until = Clock::now() + deadline;
  Pipe in = make_pipe();
  Pipe out = make_pipe();
  // A file, not a pipe, so that nothing need read it while jarmenu runs.
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> errors(std::tmpfile(), std::fclose);
  ExecPlan plan = make_plan(launch);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in.read_end.get(), STDIN_FILENO);
    ::dup2(out.write_end.get(), STDOUT_FILENO);
    ::dup2(launch.errors_to_output ? out.write_end.get() : ::fileno(errors.get()), STDERR_FILENO);
    exec_child(plan);
  }
  in.read_end.reset();
  out.write_end.reset();
  if (close_output) out.read_end.reset();
  RunResult result;
  result.output = exchange(in.write_end, out.read_end, input, until);
  result.exit_status = reap(pid, until, &result.timed_out);
  std::rewind(errors.get());
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, errors.get())) > 0;) result.errors.append(buffer, n);
  return result;
}

std::string run_at_console(const Launch& launch, const std::vector<ConsoleStep>& steps) {
  // The driver's files go apart from jarmenu's directory, where Tab would find them.
  const TempDir driver_files;
  std::string text;
  for (const ConsoleStep& step : steps) text.append(step.keys).append("\x1f").append(step.shows).append("\x1e");
  std::ofstream(driver_files.path() / "steps", std::ios::binary) << text;
  const std::filesystem::path build = windows_build();
  const std::string driver = "wine '" + (build / "console_driver.exe").string() + "' '" +
                             native_path(driver_files.path() / "steps") + "' '" +
                             native_path(driver_files.path() / "transcript") + "' '" +
                             native_path(build.parent_path() / "jarmenu.exe") + "'";
  Launch at_console = launch;
  at_console.shell_script = "exec script -qfec \"" + driver + "\" /dev/null";
  run_on_pipes(at_console, "", false, 180s);
  return read_file(driver_files.path() / "transcript");
}

PtySession::PtySession(const Launch& launch) {
  ExecPlan plan = make_plan(launch);
  // The POSIX calls, which macOS and the BSDs have too, rather than glibc's forkpty().
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
  const char* name = nullptr;
  if (master.get() >= 0 && ::grantpt(master.get()) == 0 && ::unlockpt(master.get()) == 0) name = ::ptsname(master.get());
  if (name == nullptr) {
    ADD_FAILURE() << "a pseudo-terminal: " << std::strerror(errno);
    return;
  }
  ::fcntl(master.get(), F_SETFD, FD_CLOEXEC);
  const std::string terminal = name;
  pid_ = ::fork();
  if (pid_ == 0) {
    // A session of its own, with the terminal as its controlling one, on standard input, output and error.
    ::setsid();
    const int slave = ::open(terminal.c_str(), O_RDWR);
    if (slave < 0 || ::ioctl(slave, TIOCSCTTY, 0) != 0) ::_exit(126);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(slave, fd);
    if (slave > STDERR_FILENO) ::close(slave);
    exec_child(plan);
  }
  if (pid_ < 0) ADD_FAILURE() << "fork: " << std::strerror(errno);
  master_ = std::move(master);
}

PtySession::~PtySession() {
  if (pid_ > 0) reap(pid_, Clock::now());
}

void PtySession::type(std::string_view keys) { write_fully(master_.get(), keys); }

bool PtySession::read_some(std::chrono::milliseconds deadline) {
  // select(), not poll(): macOS's poll() does not support terminals.
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(master_.get(), &ready);
  timeval wait{static_cast<time_t>(deadline.count() / 1000), static_cast<suseconds_t>(deadline.count() % 1000 * 1000)};
  if (::select(master_.get() + 1, &ready, nullptr, nullptr, &wait) <= 0) return false;
  char buffer[4096];
  const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
  // Once the terminal's last user is gone, the master reads EIO rather than zero.
  if (n <= 0) return false;
  seen_.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool PtySession::wait_for(std::string_view text, std::chrono::milliseconds deadline) {
  const auto until = Clock::now() + deadline;
  while (seen_.find(text) == std::string::npos) {
    const int left = millis_until(until);
    if (left == 0) return false;
    // A terminal whose last user is gone reads EIO at once: pause rather than spin.
    if (!read_some(std::chrono::milliseconds(left))) std::this_thread::sleep_for(5ms);
  }
  return true;
}

bool PtySession::wait_for_mode(bool line_mode, std::chrono::milliseconds deadline) {
  const auto until = Clock::now() + deadline;
  // The master reports the terminal's modes; reading on keeps jarmenu from blocking on its output.
  for (termios mode{}; ::tcgetattr(master_.get(), &mode) == 0; read_some(5ms)) {
    if (((mode.c_lflag & ICANON) != 0) == line_mode) return true;
    if (Clock::now() >= until) return false;
  }
  return false;
}

void PtySession::collect_for(std::chrono::milliseconds period) {
  const auto until = Clock::now() + period;
  while (millis_until(until) > 0)
    if (!read_some(std::chrono::milliseconds(millis_until(until)))) std::this_thread::sleep_for(5ms);
}

int PtySession::wait_exit(std::chrono::milliseconds deadline) {
  // Keep draining the terminal so that jarmenu never blocks writing to it.
  const int status = reap(pid_, Clock::now() + deadline, nullptr, [this] { read_some(5ms); });
  pid_ = -1;
  while (read_some(0ms)) {
  }
  return status;
}

}  // namespace jarmenu::test
