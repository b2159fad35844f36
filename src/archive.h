// The archive actions: view, extract and run a Java archive through the JDK's
// own tools, and the rules that turn a typed name into a command line.
#pragma once

#include <string>
#include <string_view>

namespace jarmenu {

/// What one archive action writes and runs; the three actions differ in nothing else.
struct ArchiveAction {
  std::string_view prompt;
  std::string_view command_prefix;
  std::string_view completion_text;
};

/// Asks for a file name, runs the action's command on it, waits for it and says it is done.
void run_archive_action(const ArchiveAction& action);
/// Lists an archive's contents with `jar tvf`.
void view_archive();
/// Extracts an archive into the working directory with `jar xvf`.
void extract_archive();
/// Runs an archive as an application with `java -jar`.
void run_archive();

/// The shell line for `prefix` and `name`, the name reaching the tool as one literal argument that
/// names a file, never an option (cut at a zero byte; empty gives the prefix alone).
std::string compose_command(std::string_view prefix, std::string_view name);

/// The Windows command line that runs `program` with `arguments` (plain words, each followed by a
/// space) and then `name`, which the C runtime's rules split back into exactly those: the name is
/// always in double quotes, so no launcher expands a wildcard in it, cut at a zero byte, and given
/// .\ when it begins with - or @, so that it names a file, never an option; empty gives no name
/// argument at all. UTF-8 throughout.
std::string compose_command_line(std::string_view program, std::string_view arguments, std::string_view name);

}  // namespace jarmenu
