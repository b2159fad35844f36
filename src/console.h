// Console reading and writing: the program's only contact with the user.
//
// Output is held in a buffer and handed to the system when it fills, when the
// buffer is flushed, or at once on a terminal. Input comes one byte at a time
// from a pipe or a file (system.h), so that a command started by an action
// finds every byte the program did not need still waiting on standard input;
// a terminal's line is the program's whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "system.h"

namespace jarmenu {

/// A buffered writer on a handle it does not own; once a write fails it drops every later text.
class OutputStream {
 public:
  /// Writes to `handle`, passing each text on at once when it is a terminal.
  explicit OutputStream(sys::Handle handle);
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  /// Appends `text` whole, unless the stream is bad; writes out on a terminal or when the buffer is full.
  void write(std::string_view text);
  /// Hands everything held to the handle; marks the stream bad if it does not take it all.
  void flush();
  /// Whether a write has failed; a bad stream stays bad.
  bool bad() const { return bad_; }

 private:
  static constexpr std::size_t kBufferSize = 4096;

  sys::Handle handle_;
  bool line_buffered_;
  bool bad_ = false;
  std::string buffer_;
};

/// A byte-at-a-time reader of numbers and words that never takes a byte past the end of an item.
class InputStream {
 public:
  /// Reads `handle`, which it does not own; every read on an unmarked stream flushes `tie` first.
  InputStream(sys::Handle handle, OutputStream& tie);
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  /// Reads an optionally signed decimal number, reduced modulo 2^32; leaves `destination` alone on failure.
  bool read_number(std::int32_t& destination);
  /// Reads the next run of non-white-space bytes; empty when the read fails.
  std::string read_word();
  /// Whether the end of input has been marked; a marked stream fails every read.
  bool end_of_input() const { return end_of_input_; }
  /// Whether a read has failed; a failed stream fails every read.
  bool failed() const { return failed_; }
  /// Drops the rest of the line the last byte read belongs to, however it was ended (see
  /// sys::ByteReader); never waits, and drops nothing after a line feed or the end of input.
  void drop_rest_of_line();

 private:
  /// Fails at once on a marked stream; otherwise flushes the tie and lets the read go on.
  bool begin_read();
  /// The byte put back by the last read, else the next byte of the input; sys::kEnd at the end.
  int next_byte();
  /// The first byte that is not white space; sys::kEnd at the end.
  int skip_white_space();
  /// Sets both marks, as a read that meets the end before its item does.
  void fail_at_end();

  sys::ByteReader reader_;
  OutputStream& tie_;
  int put_back_;  // the byte that ended the last item, to be read again; or none
  int last_read_;  // the last byte taken from the input, or the end
  bool end_of_input_ = false;
  bool failed_ = false;
};

/// Hands `text` to standard output, without flushing.
void write_text(std::string_view text);
/// Reads one word from standard input (see InputStream::read_word).
std::string read_word();
/// Reads one number from standard input (see InputStream::read_number).
bool read_number(std::int32_t& destination);
/// Flushes standard output; the program calls it once more as it ends.
void flush_output();
/// On a terminal, drops the rest of the line the user typed, so that the shell does not run it.
void drop_rest_of_typed_line();

}  // namespace jarmenu
