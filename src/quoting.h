// The rules that turn a typed name into a command line: one for the POSIX shell, one for the
// Windows C runtime. Each hands the tool the name as one literal argument that names a file.
#pragma once

#include <string>
#include <string_view>

namespace jarmenu {

/// The shell line for `prefix` and `name`, the name reaching the tool as one literal argument that
/// names a file, never an option (cut at a zero byte; empty gives the prefix alone).
std::string compose_command(std::string_view prefix, std::string_view name);

/// `word` as one word that the shell takes literally: as it stands where that is safe, else in
/// single quotes.
std::string shell_word(std::string_view word);

/// The Windows command line that runs `program` with `arguments` (plain words, each followed by a
/// space) and then `name`, which the C runtime's rules split back into exactly those: the name is
/// always in double quotes, so no launcher expands a wildcard in it, cut at a zero byte, and given
/// .\ when it begins with - or @, so that it names a file, never an option; empty gives no name
/// argument at all. UTF-8 throughout.
std::string compose_command_line(std::string_view program, std::string_view arguments, std::string_view name);

}  // namespace jarmenu
