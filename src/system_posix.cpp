// The operating system's part on POSIX systems: descriptors, poll, termios and /bin/sh.
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "quoting.h"
#include "system.h"

namespace jarmenu::sys {
namespace {

/// Polls `fd` for `events` for up to `timeout` ms (-1: no limit), retrying on EINTR: poll's result.
int poll_one(int fd, short events, int timeout) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, timeout);
    if (ready >= 0 || errno != EINTR) return ready;
  }
}

/// Waits until `fd` is ready for `events` or has hung up; false if waiting itself failed.
bool wait_for(int fd, short events) { return poll_one(fd, events, -1) >= 0; }

/// Whether `fd` has a byte, its end or an error to report without waiting.
bool is_waiting(int fd) { return poll_one(fd, POLLIN, 0) > 0; }

/// Whether `fd` is a terminal in line mode, which the kernel hands over a line at a time.
bool is_line_mode_terminal(int fd) {
  termios mode{};
  return ::tcgetattr(fd, &mode) == 0 && (mode.c_lflag & ICANON) != 0;
}

/// Takes and drops, in one read, what is waiting of the terminal line being read.
void drop_line_read(int fd) {
  // A terminal's line is at most this long; one read of a line-mode terminal never goes past the
  // end of the line it starts in, however that line was ended (Enter, or Ctrl-D with no line feed).
  constexpr std::size_t kTerminalLineLimit = 4096;
  char line[kTerminalLineLimit];
  while (::read(fd, line, sizeof line) < 0 && errno == EINTR) {
  }
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
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_for(fd, POLLOUT)) continue;
    return false;
  }
  return true;
}

ByteReader::ByteReader(Handle handle) : handle_(handle) {}

int ByteReader::read_byte() {
  const int fd = static_cast<int>(handle_);
  unsigned char byte = 0;
  for (;;) {
    const ssize_t got = ::read(fd, &byte, 1);
    if (got == 1) return byte;
    if (got == 0) return kEnd;
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_for(fd, POLLIN)) continue;
    return kEnd;
  }
}

void ByteReader::drop_rest_of_line(int last_read) {
  const int fd = static_cast<int>(handle_);
  if (last_read == '\n' || last_read == kEnd) return;
  // Only what is already waiting: the user may never type the rest, and must not be kept waiting.
  if (is_line_mode_terminal(fd)) {
    if (is_waiting(fd)) drop_line_read(fd);
    return;
  }
  // Byte by byte elsewhere, since only a line-mode terminal stops a read at the end of a line.
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
  // The shell finds the tool on PATH and replaces itself with it, so that system() waits for the
  // tool itself: a signal the shell would die of (Ctrl-\ at a JVM, which only dumps its threads)
  // cannot bring the menu back while the tool still runs and reads the terminal. system() also
  // keeps Ctrl-C and Ctrl-\ from ending the program while it waits. The status goes unread.
  const std::string line = "exec " + compose_command(prefix, name);
  [[maybe_unused]] const int status = std::system(line.c_str());
}

}  // namespace jarmenu::sys
