// The archive actions: view, extract and run a Java archive through the JDK's own tools.
#pragma once

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

}  // namespace jarmenu
