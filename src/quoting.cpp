// The quoting of a typed name for the POSIX shell and for a Windows command line (quoting.h).
#include "quoting.h"

namespace jarmenu {
namespace {

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

/// Appends `word` in double quotes by the C runtime's rules: backslashes are doubled only where a
/// quote follows them, the closing one included, and a quote inside is escaped.
void append_quoted_argument(std::string& line, std::string_view word) {
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    line += c;
    backslashes = 0;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

/// Whether `name` would be taken for an option (-) or a file of further arguments (@).
bool is_option_like(std::string_view name) { return name.starts_with('-') || name.starts_with('@'); }

/// `name` up to its first zero byte, where a C string handed on would end.
std::string_view up_to_zero_byte(std::string_view name) { return name.substr(0, name.find('\0')); }

}  // namespace

std::string compose_command(std::string_view prefix, std::string_view name) {
  name = up_to_zero_byte(name);
  std::string command(prefix);
  std::string word(name);
  if (name.starts_with("~/")) {
    // A leading ~/ stays outside the quotes so that it still names the home directory.
    command += "~/";
    word.erase(0, 2);
  } else if (is_option_like(name)) {
    // The tools take a word that begins with - as an option and one that begins with @ as a
    // file of further arguments; ./ keeps it the name of a file.
    word.insert(0, "./");
  }
  append_shell_word(command, word);
  return command;
}

std::string shell_word(std::string_view word) {
  std::string quoted;
  append_shell_word(quoted, word);
  return quoted;
}

std::string compose_command_line(std::string_view program, std::string_view arguments, std::string_view name) {
  name = up_to_zero_byte(name);
  // The program's own word is taken up to the next quote, with no escapes; a path has no quotes.
  std::string line = "\"";
  line.append(program).append("\" ").append(arguments);
  // No name is no argument, as in the shell's line, so the tool prints its usage.
  if (name.empty()) return line;
  std::string word = is_option_like(name) ? ".\\" : "";
  word += name;
  append_quoted_argument(line, word);
  return line;
}

}  // namespace jarmenu
