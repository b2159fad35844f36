// The operating system's part of the program, behind one header: reading standard input (a byte
// at a time, or a terminal's line whole), writing standard output, telling a terminal, dropping
// the rest of a typed line, and running a tool. system_posix.cpp and system_win32.cpp implement
// it; the build picks one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace jarmenu::sys {

/// A descriptor on POSIX, a HANDLE on Windows; the program owns none of the standard ones.
using Handle = std::intptr_t;

/// No byte: the end of input, or a read error.
inline constexpr int kEnd = -1;

/// Standard input's handle.
Handle standard_input();
/// Standard output's handle.
Handle standard_output();
/// Whether `handle` is a terminal (on Windows, a console).
bool is_terminal(Handle handle);
/// Writes all of `bytes` to `handle`, each line feed as the platform's line end; false on failure.
bool write_all(Handle handle, std::string_view bytes);

/// Reads a handle one byte at a time, taking nothing from a pipe or a file before it is asked for.
/// A terminal that hands over whole lines (a console, or a terminal in line mode) is read a line at
/// a time, through the line editor where editing is on, so that the whole typed line is the
/// program's; a line ended without a line feed (by Ctrl-D) is followed by the end of input, once.
class ByteReader {
 public:
  /// Reads `handle`, which it does not own.
  explicit ByteReader(Handle handle);

  /// The next byte, or kEnd at the end of input or on a read error.
  int read_byte();
  /// Drops the rest of the line `last_read` belongs to: of a line read whole, what is left of it;
  /// otherwise what is already typed of it, never waiting, and nothing when `last_read` is a line
  /// feed or kEnd.
  void drop_rest_of_line(int last_read);

 private:
  Handle handle_;
  bool whole_lines_ = false;     // a terminal or console, read a line at a time when it hands over lines
  bool edited_ = false;          // the lines come from the line editor
  bool end_after_line_ = false;  // the line was ended by Ctrl-D: the end of input follows it
  std::string line_;             // the line read whole (UTF-8 from a Windows console)
  std::size_t taken_ = 0;        // how much of line_ has been handed out
};

/// Lets a write to a closed pipe fail instead of ending the program.
void keep_running_on_broken_pipe();

/// Runs the tool that `prefix`'s first word names, with `prefix`'s other words and then `name` as
/// its arguments, in the working directory and on the standard handles; waits for it to end. What
/// goes wrong is reported by the tool, or on standard error as a shell would, never to the caller.
void run_tool(std::string_view prefix, std::string_view name);

}  // namespace jarmenu::sys
