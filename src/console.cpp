#include "console.h"

#include <cerrno>
#include <csignal>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace jarmenu {
namespace {

constexpr int kEnd = -1;      // no byte: the end of input, or a read error
constexpr int kNothing = -2;  // no byte put back

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

/// Writes all of `bytes` to `fd`; false at the first error that retrying cannot mend.
bool write_all(int fd, std::string_view bytes) {
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

/// Reads one byte of `fd`: the byte, or kEnd at the end of input or on a read error.
int read_byte(int fd) {
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

/// Whether `byte` is one of space, \t, \n, \v, \f and \r; no other byte is white space.
bool is_white_space(int byte) {
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

/// Whether `byte` is a decimal digit; no other form of number is read.
bool is_digit(int byte) { return byte >= '0' && byte <= '9'; }

/// Catches SIGPIPE without doing anything, so that the write that caused it fails with EPIPE.
extern "C" void ignore_signal(int) {}

/// The one output stream on standard output, made on first use.
OutputStream& standard_output() {
  static OutputStream output(STDOUT_FILENO);
  return output;
}

/// The one input stream on standard input, tied to standard output.
InputStream& standard_input() {
  static InputStream input(STDIN_FILENO, standard_output());
  return input;
}

}  // namespace

OutputStream::OutputStream(int fd) : fd_(fd), line_buffered_(::isatty(fd) == 1) {
  buffer_.reserve(kBufferSize);
}

void OutputStream::write(std::string_view text) {
  if (buffer_.size() + text.size() > kBufferSize) flush();
  if (bad_) return;
  buffer_.append(text);
  // Every text ends in a line feed, so a terminal is shown each one as it is written.
  if (line_buffered_ || buffer_.size() >= kBufferSize) flush();
}

void OutputStream::flush() {
  if (!bad_ && !write_all(fd_, buffer_)) bad_ = true;
  buffer_.clear();
}

// Before the first read the reader stands at the start of a line, as after a line feed.
InputStream::InputStream(int fd, OutputStream& tie) : fd_(fd), tie_(tie), put_back_(kNothing), last_read_('\n') {}

bool InputStream::read_number(std::int32_t& destination) {
  if (!begin_read()) return false;
  int byte = skip_white_space();
  const bool negative = byte == '-';
  if (byte == '+' || byte == '-') byte = skip_white_space();
  if (byte == kEnd) {
    fail_at_end();
    return false;
  }
  // Unsigned arithmetic wraps, which is exactly the reduction modulo 2^32 wanted.
  std::uint32_t value = 0;
  const bool any_digit = is_digit(byte);
  for (; is_digit(byte); byte = next_byte())
    value = value * 10u + static_cast<std::uint32_t>(byte - '0');
  // The end of input right after the digits is not recorded: a terminal may have more to say.
  if (byte != kEnd) put_back_ = byte;
  if (!any_digit) {
    failed_ = true;
    return false;
  }
  destination = static_cast<std::int32_t>(negative ? 0u - value : value);
  return true;
}

std::string InputStream::read_word() {
  std::string word;
  if (!begin_read()) return word;
  int byte = skip_white_space();
  if (byte == kEnd) {
    fail_at_end();
    return word;
  }
  for (; byte != kEnd && !is_white_space(byte); byte = next_byte())
    word.push_back(static_cast<char>(byte));
  if (byte == kEnd)
    end_of_input_ = true;
  else
    put_back_ = byte;
  return word;
}

bool InputStream::begin_read() {
  if (end_of_input_ || failed_) {
    failed_ = true;
    return false;
  }
  // Whatever was written is the question; it must be out before the program waits for the answer.
  tie_.flush();
  return true;
}

int InputStream::next_byte() {
  if (put_back_ == kNothing) return last_read_ = read_byte(fd_);
  const int byte = put_back_;
  put_back_ = kNothing;
  return byte;
}

int InputStream::skip_white_space() {
  int byte = next_byte();
  while (is_white_space(byte)) byte = next_byte();
  return byte;
}

void InputStream::drop_rest_of_line() {
  put_back_ = kNothing;
  if (last_read_ == '\n' || last_read_ == kEnd) return;
  // Only what is already waiting: the user may never type the rest, and must not be kept waiting.
  if (is_line_mode_terminal(fd_)) {
    if (is_waiting(fd_)) drop_line_read(fd_);
    return;
  }
  // Byte by byte elsewhere, since only a line-mode terminal stops a read at the end of a line.
  while (last_read_ != '\n' && last_read_ != kEnd && is_waiting(fd_)) last_read_ = read_byte(fd_);
}

void InputStream::fail_at_end() {
  end_of_input_ = true;
  failed_ = true;
}

void write_text(std::string_view text) { standard_output().write(text); }

std::string read_word() { return standard_input().read_word(); }

bool read_number(std::int32_t& destination) { return standard_input().read_number(destination); }

void flush_output() { standard_output().flush(); }

void drop_rest_of_typed_line() {
  // A pipe or a file keeps the rest for whoever reads next; a terminal would hand it to the shell,
  // which would run it as a command.
  if (::isatty(STDIN_FILENO) == 1) standard_input().drop_rest_of_line();
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

}  // namespace jarmenu
