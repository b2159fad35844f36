// Line editing where people type: the keys they know there, and Tab to complete a file name (see
// completion.h). At a POSIX terminal with libedit (line_editor.cpp), with the lines typed earlier
// in this run; at a Windows console with the console's own editing and history, and Tab as cmd
// has it (line_editor_win32.cpp). Used by the reader of each platform.
#pragma once

#include <string>

namespace jarmenu::sys {

/// POSIX only (a Windows console always edits): whether lines typed at standard input should be
/// edited, that is standard input and output are terminals, TERM names one that can edit, and the
/// locale's character set is UTF-8, the only one in which libedit keeps every byte typed. Sets the
/// program's LC_CTYPE from the environment if so.
bool editing_wanted();

/// Reads the next edited line of standard input into `line`, its line end included (UTF-8 from a
/// Windows console); false at the end of input. A terminal is in its own modes again when it
/// returns.
bool read_edited_line(std::string& line);

}  // namespace jarmenu::sys
