#include "archive.h"

#include <array>
#include <cstdlib>

#include "console.h"

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

/// Whether the interpreter takes every byte of `word` literally without quotes.
bool is_sensible(std::string_view word) {
  for (const char c : word) {
    const bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!alphanumeric && std::string_view("_./+,:@%=-").find(c) == std::string_view::npos) return false;
  }
  return true;
}

/// Appends `word` to `command` as one shell word, single-quoted unless it is sensible as it stands.
void append_shell_word(std::string& command, std::string_view word) {
  if (is_sensible(word)) {
    command += word;
    return;
  }
  command += '\'';
  for (const char c : word) {
    // A quote cannot stand inside single quotes: close them, add an escaped one, reopen.
    if (c == '\'')
      command += "'\\''";
    else
      command += c;
  }
  command += '\'';
}

}  // namespace

std::string compose_command(std::string_view prefix, std::string_view name) {
  // The name ends at a zero byte, as a C string handed to the interpreter would.
  name = name.substr(0, name.find('\0'));
  std::string command(prefix);
  std::string word(name);
  if (name.starts_with("~/")) {
    // A leading ~/ stays outside the quotes so that it still names the home directory.
    command += "~/";
    word.erase(0, 2);
  } else if (name.starts_with('-') || name.starts_with('@')) {
    // The tools take a word that begins with - as an option and one that begins with @ as a
    // file of further arguments; ./ keeps it the name of a file.
    word.insert(0, "./");
  }
  append_shell_word(command, word);
  return command;
}

void run_archive_action(const ArchiveAction& action) {
  write_text(action.prompt);
  write_text(kExampleLine);
  const std::string name = read_word();
  write_text(kBlankLine);
  // The shell replaces itself with the tool, so that system() waits for the tool itself: a signal
  // the shell would die of (Ctrl-\ at a JVM, which only dumps its threads) cannot bring the menu
  // back while the tool still runs and reads the terminal. The status goes unread: the shell and
  // the tool report any failure themselves, and the completion text follows regardless.
  const std::string line = "exec " + compose_command(action.command_prefix, name);
  [[maybe_unused]] const int status = std::system(line.c_str());
  write_text(kBlankLine);
  write_text(action.completion_text);
  write_text(kBlankLine);
}

void view_archive() { run_archive_action(kArchiveActions[0]); }

void extract_archive() { run_archive_action(kArchiveActions[1]); }

void run_archive() { run_archive_action(kArchiveActions[2]); }

}  // namespace jarmenu
