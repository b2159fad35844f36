// Line editing at a terminal, with libedit: the keys people know from their shell, Tab to complete
// a file name, and the lines typed earlier in this run. Used by the POSIX reader alone.
#pragma once

#include <string>

namespace jarmenu::sys {

/// Whether lines typed at the terminal should be edited: standard input and output are terminals,
/// TERM names one that can edit, and the locale's character set is UTF-8, the only one in which
/// the library keeps every byte typed. Sets the program's LC_CTYPE from the environment if so.
bool editing_wanted();

/// Reads the next edited line of standard input into `line`, its line feed included; false at the
/// end of input. The terminal is in its own modes again when it returns.
bool read_edited_line(std::string& line);

}  // namespace jarmenu::sys
