// The three archive actions: their table, and the one routine that runs each (archive.h).
#include "archive.h"

#include <array>
#include <string>

#include "console.h"
#include "system.h"

namespace jarmenu {
namespace {

/// View, Extract and Run, in menu order. Run asks in Extract's words, which users know.
constexpr std::array<ArchiveAction, 3> kArchiveActions{{
    {"Enter jar file to be viewed: \n", "jar tvf ", "Done viewing...\n"},
    {"Enter jar file to be extracted: \n", "jar xvf ", "Done extracting...\n"},
    {"Enter jar file to be extracted: \n", "java -jar ", "Done running...\n"},
}};

constexpr std::string_view kExampleLine = "(Example: Example.jar)\n";
constexpr std::string_view kBlankLine = "\n";

}  // namespace

void run_archive_action(const ArchiveAction& action) {
  write_text(action.prompt);
  write_text(kExampleLine);
  const std::string name = read_word();
  write_text(kBlankLine);
  // Whatever goes wrong is the tool's to report; the completion text follows regardless.
  sys::run_tool(action.command_prefix, name);
  write_text(kBlankLine);
  write_text(action.completion_text);
  write_text(kBlankLine);
}

void view_archive() { run_archive_action(kArchiveActions[0]); }

void extract_archive() { run_archive_action(kArchiveActions[1]); }

void run_archive() { run_archive_action(kArchiveActions[2]); }

}  // namespace jarmenu
