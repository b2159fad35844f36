// Reading numbers and words from standard input and writing texts to standard output (console.h).
#include "console.h"

#include "system.h"

namespace jarmenu {
namespace {

using sys::kEnd;
constexpr int kNothing = -2;  // no byte put back

/// Whether `byte` is one of space, \t, \n, \v, \f and \r; no other byte is white space.
bool is_white_space(int byte) {
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

/// Whether `byte` is a decimal digit; no other form of number is read.
bool is_digit(int byte) { return byte >= '0' && byte <= '9'; }

/// The one output stream on standard output, made on first use.
OutputStream& standard_output() {
  static OutputStream output(sys::standard_output());
  return output;
}

/// The one input stream on standard input, tied to standard output.
InputStream& standard_input() {
  static InputStream input(sys::standard_input(), standard_output());
  return input;
}

}  // namespace

OutputStream::OutputStream(sys::Handle handle) : handle_(handle), line_buffered_(sys::is_terminal(handle)) {
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
  if (!bad_ && !sys::write_all(handle_, buffer_)) bad_ = true;
  buffer_.clear();
}

// Before the first read the reader stands at the start of a line, as after a line feed.
InputStream::InputStream(sys::Handle handle, OutputStream& tie)
    : reader_(handle), tie_(tie), put_back_(kNothing), last_read_('\n') {}

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
  if (put_back_ == kNothing) return last_read_ = reader_.read_byte();
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
  reader_.drop_rest_of_line(last_read_);
  last_read_ = '\n';
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
  if (sys::is_terminal(sys::standard_input())) standard_input().drop_rest_of_line();
}

}  // namespace jarmenu
