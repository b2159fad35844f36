// The operating system's part on POSIX systems: descriptors, select, termios and /bin/sh.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include "line_editor.h"
#include "quoting.h"
#include "system.h"
#include "tool_lookup.h"

namespace jarmenu::sys {
namespace {

// Linux's terminals hold a line of at most this many bytes (macOS's and the BSDs' 1024, their
// MAX_CANON): a read this long takes the whole line. One read of a line-mode terminal never goes
// past the end of the line it starts in, however that line was ended (Enter, or Ctrl-D with no
// line feed).
constexpr std::size_t kTerminalLineLimit = 4096;

/// Waits until `fd` can be read (or written, `for_writing`) without blocking, for up to `timeout`
/// (null: no limit), retrying on EINTR; false if it is not ready, or waiting failed. select(),
/// not poll(): macOS's poll() does not support terminals.
bool wait_ready(int fd, bool for_writing, const timeval* timeout) {
  if (fd < 0 || fd >= FD_SETSIZE) return false;
  for (;;) {
    fd_set ready_set;
    FD_ZERO(&ready_set);
    FD_SET(fd, &ready_set);
    timeval left = timeout != nullptr ? *timeout : timeval{};
    const int ready = ::select(fd + 1, for_writing ? nullptr : &ready_set, for_writing ? &ready_set : nullptr,
                               nullptr, timeout != nullptr ? &left : nullptr);
    if (ready >= 0 || errno != EINTR) return ready > 0;
  }
}

/// Whether `fd` has a byte, its end or an error to report without waiting.
bool is_waiting(int fd) {
  constexpr timeval kNoWait{};
  return wait_ready(fd, false, &kNoWait);
}

/// Whether `fd` is a terminal in line mode, which the kernel hands over a line at a time.
bool is_line_mode_terminal(int fd) {
  termios mode{};
  return ::tcgetattr(fd, &mode) == 0 && (mode.c_lflag & ICANON) != 0;
}

/// Reads up to `size` bytes of `fd` into `buffer` in one read, retrying on EINTR and waiting on a
/// descriptor someone else made non-blocking: the count, 0 at the end of input, -1 on an error.
ssize_t read_some(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_ready(fd, false, nullptr)) continue;
    return -1;
  }
}

/// Reads what a line-mode terminal hands over of one typed line into `line`; false at the end of
/// input or on an error.
bool read_typed_line(int fd, std::string& line) {
  char buffer[kTerminalLineLimit];
  const ssize_t got = read_some(fd, buffer, sizeof buffer);
  if (got <= 0) return false;
  line.assign(buffer, static_cast<std::size_t>(got));
  return true;
}

// The search path a shell uses where PATH is not set at all (dash's; bash's is a subset of it).
constexpr const char* kShellDefaultPath = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

/// What the tools are looked for in: PATH (or the shell's own where it is unset) and JAVA_HOME.
ToolSearch tool_search() {
  const char* path = std::getenv("PATH");
  const char* java_home = std::getenv("JAVA_HOME");
  ToolSearch search{path != nullptr ? path : kShellDefaultPath, std::nullopt, "", false};
  if (java_home != nullptr) search.java_home = java_home;
  return search;
}

/// Catches SIGPIPE without doing anything, so that the write that caused it fails with EPIPE.
extern "C" void ignore_signal(int) {}

}  // namespace

Handle standard_input() { return STDIN_FILENO; }

Handle standard_output() { return STDOUT_FILENO; }

bool is_terminal(Handle handle) { return ::isatty(static_cast<int>(handle)) == 1; }

bool write_all(Handle handle, std::string_view bytes) {
  const int fd = static_cast<int>(handle);
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    // A descriptor someone else made non-blocking is waited on, not given up on.
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_ready(fd, true, nullptr)) continue;
    return false;
  }
  return true;
}

// Editing is decided once: the terminal and the locale do not change while the program runs.
ByteReader::ByteReader(Handle handle)
    : handle_(handle), whole_lines_(is_terminal(handle)), edited_(whole_lines_ && editing_wanted()) {}

int ByteReader::read_byte() {
  if (taken_ < line_.size()) return static_cast<unsigned char>(line_[taken_++]);
  if (std::exchange(end_after_line_, false)) return kEnd;
  const int fd = static_cast<int>(handle_);
  line_.clear();
  taken_ = 0;
  // Asked at every line, since a command may have left the terminal in another mode. Only a
  // line-mode terminal stops a read at the end of a line; anything else is read a byte at a time.
  if (!whole_lines_ || !is_line_mode_terminal(fd)) {
    char byte = 0;
    return read_some(fd, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : kEnd;
  }
  if (!(edited_ ? read_edited_line(line_) : read_typed_line(fd, line_)) || line_.empty()) return kEnd;
  // Ctrl-D hands over a line without a line feed, and the reader sees the end of input after it.
  end_after_line_ = !line_.ends_with('\n') && line_.size() < kTerminalLineLimit;
  return static_cast<unsigned char>(line_[taken_++]);
}

void ByteReader::drop_rest_of_line(int last_read) {
  // A line read whole was the program's to its end; the lines typed after it are the shell's.
  if (!line_.empty()) {
    line_.clear();
    taken_ = 0;
    end_after_line_ = false;
    return;
  }
  // Only what is already waiting: the user may never type the rest, and must not be kept waiting.
  const int fd = static_cast<int>(handle_);
  while (last_read != '\n' && last_read != kEnd && is_waiting(fd)) last_read = read_byte();
}

void keep_running_on_broken_pipe() {
  // A caught signal, unlike an ignored one, is back at its default in every
  // command the program starts, so tools still stop quietly on a broken pipe.
  struct sigaction action {};
  action.sa_handler = ignore_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGPIPE, &action, nullptr);
}

void run_tool(std::string_view prefix, std::string_view name) {
  const ToolCommand command = find_tool(prefix, tool_search());
  if (command.program.empty()) {
    write_all(STDERR_FILENO, command.complaint);
    return;
  }
  // The shell replaces itself with the tool, so that system() waits for the tool itself: a signal
  // the shell would die of (Ctrl-\ at a JVM, which only dumps its threads) cannot bring the menu
  // back while the tool still runs and reads the terminal. system() also keeps Ctrl-C and Ctrl-\ from
  // ending the program while it waits. A tool on PATH is named as before, and the shell finds it
  // there again; one found elsewhere is named by its path. The status goes unread.
  const std::string program = command.on_path ? command.tool : shell_word(command.program.string());
  const std::string line = "exec " + compose_command(program + " " + command.arguments, name);
  [[maybe_unused]] const int status = std::system(line.c_str());
}

}  // namespace jarmenu::sys
