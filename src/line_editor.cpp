// Line editing with libedit's own interface, which lets the program bind Tab and Ctrl-D itself:
// its readline interface appends a space to a completed directory, rings the bell at every
// completion and echoes ^D.
#include "line_editor.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <histedit.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jarmenu::sys {
namespace {

constexpr int kHistorySize = 500;

/// The editor and its history, made once and never ended: el_end() would flush what is typed ahead.
struct Editor {
  EditLine* line = nullptr;
  History* history = nullptr;
};

/// A name a word may complete to, and whether it names a directory.
struct Candidate {
  std::string name;
  bool directory = false;
};

/// No prompt: the program has written its question on the lines above.
const char* no_prompt(EditLine*) { return ""; }

/// `directory` as the file system knows it: "." for the working directory, and ~/ as the home
/// directory, which the shell also makes of a leading ~/.
std::string expand_home(const std::string& directory) {
  const char* home = std::getenv("HOME");
  if (directory.starts_with("~/") && home != nullptr) return home + directory.substr(1);
  return directory.empty() ? "." : directory;
}

/// The entries of `directory` whose names begin with `stem`, sorted; hidden ones only when asked for.
std::vector<Candidate> candidates(const std::string& directory, std::string_view stem) {
  std::vector<Candidate> found;
  const std::string path = expand_home(directory);
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path.c_str()), ::closedir);
  if (listing == nullptr) return found;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !name.starts_with(stem)) continue;
    if (name.starts_with('.') && !stem.starts_with('.')) continue;
    struct stat status {};
    const std::string entry_path = path + "/" + std::string(name);
    found.push_back({std::string(name), ::stat(entry_path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)});
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.name < b.name; });
  return found;
}

/// The longest start that every candidate's name shares.
std::string common_start(const std::vector<Candidate>& found) {
  std::string start = found.front().name;
  for (const Candidate& candidate : found) {
    const auto differ = std::mismatch(start.begin(), start.end(), candidate.name.begin(), candidate.name.end());
    start.erase(differ.first, start.end());
  }
  return start;
}

/// The line and the cursor's place in it, to tell a second Tab from a first.
std::string line_state(EditLine* editor) {
  const LineInfo* line = ::el_line(editor);
  return std::string(line->buffer, line->lastchar) + '\0' + std::to_string(line->cursor - line->buffer);
}

/// Lists `found` below the line, in columns as wide as the terminal allows.
void list_candidates(EditLine* editor, const std::vector<Candidate>& found) {
  std::size_t width = 0;
  for (const Candidate& candidate : found) width = std::max(width, candidate.name.size() + 3);
  int terminal_width = 0;
  if (::el_get(editor, EL_GETTC, "co", &terminal_width) != 0 || terminal_width <= 0) terminal_width = 80;
  const std::size_t columns = std::max<std::size_t>(1, static_cast<std::size_t>(terminal_width) / width);
  std::string listing = "\n";
  for (std::size_t i = 0; i < found.size(); ++i) {
    std::string cell = found[i].name + (found[i].directory ? "/" : "");
    const bool last_in_row = (i + 1) % columns == 0 || i + 1 == found.size();
    listing += last_in_row ? cell + "\n" : cell + std::string(width - cell.size(), ' ');
  }
  std::fputs(listing.c_str(), stdout);
}

/// Tab: completes the file name before the cursor as far as the names that match agree, and
/// wholly when one does (a directory with a /, so that Tab goes on inside it); a second Tab that
/// can add nothing lists the names.
unsigned char complete_file_name(EditLine* editor, int) {
  static std::string ambiguous_state;  // the line as the last Tab that could not decide left it
  const LineInfo* line = ::el_line(editor);
  const std::string before(line->buffer, line->cursor);
  const std::string word = before.substr(before.find_last_of(" \t") + 1);
  const std::string directory = word.substr(0, word.rfind('/') + 1);
  const std::vector<Candidate> found = candidates(directory, std::string_view(word).substr(directory.size()));
  if (found.empty()) return CC_ERROR;
  std::string addition = common_start(found).substr(word.size() - directory.size());
  if (found.size() == 1) addition += found.front().directory ? '/' : ' ';
  if (!addition.empty()) ::el_insertstr(editor, addition.c_str());
  if (found.size() == 1) return CC_REFRESH;
  const std::string state = line_state(editor);
  const bool second_tab = addition.empty() && state == ambiguous_state;
  ambiguous_state = state;
  if (!second_tab) return addition.empty() ? CC_ERROR : CC_REFRESH;
  list_candidates(editor, found);
  return CC_REDISPLAY;
}

/// Ctrl-D: the end of input on an empty line, without echoing ^D; elsewhere it deletes the
/// character under the cursor, as the editor's own binding does.
unsigned char delete_or_end(EditLine* editor, int) {
  const LineInfo* line = ::el_line(editor);
  if (line->buffer == line->lastchar) return CC_EOF;
  if (line->cursor == line->lastchar) return CC_ERROR;
  ::el_cursor(editor, 1);
  ::el_deletestr(editor, 1);
  return CC_REFRESH;
}

/// Makes the editor: emacs keys, signals handled, the user's ~/.editrc, then the two keys of ours.
Editor make_editor() {
  Editor editor{::el_init("jarmenu", stdin, stdout, stderr), ::history_init()};
  if (editor.line == nullptr || editor.history == nullptr) return Editor{};
  HistEvent event;
  ::history(editor.history, &event, H_SETSIZE, kHistorySize);
  ::history(editor.history, &event, H_SETUNIQUE, 1);
  ::el_set(editor.line, EL_HIST, ::history, editor.history);
  ::el_set(editor.line, EL_PROMPT, no_prompt);
  ::el_set(editor.line, EL_EDITOR, "emacs");
  // The editor puts the terminal back in its own modes before Ctrl-C, Ctrl-Z or a hang-up takes
  // effect, and redraws the line when the program is continued or the window resized.
  ::el_set(editor.line, EL_SIGNAL, 1);
  ::el_source(editor.line, nullptr);
  // After ~/.editrc, which may switch to vi keys and so replace every binding made before it.
  ::el_set(editor.line, EL_ADDFN, "jarmenu-complete", "Complete a file name", complete_file_name);
  ::el_set(editor.line, EL_ADDFN, "jarmenu-delete-or-end", "Delete a character, or end input", delete_or_end);
  ::el_set(editor.line, EL_BIND, "^I", "jarmenu-complete", nullptr);
  ::el_set(editor.line, EL_BIND, "^D", "jarmenu-delete-or-end", nullptr);
  // What tmux, screen, PuTTY and the Linux console send for Home and End, whatever TERM says.
  ::el_set(editor.line, EL_BIND, "\033[1~", "ed-move-to-beg", nullptr);
  ::el_set(editor.line, EL_BIND, "\033[4~", "ed-move-to-end", nullptr);
  return editor;
}

/// The one editor, made on first use.
const Editor& editor() {
  static const Editor the_editor = make_editor();
  return the_editor;
}

}  // namespace

bool editing_wanted() {
  if (::isatty(STDIN_FILENO) != 1 || ::isatty(STDOUT_FILENO) != 1) return false;
  // Emacs' shell buffers and other front ends that edit lines themselves say "dumb".
  const char* terminal = std::getenv("TERM");
  if (terminal == nullptr || *terminal == '\0' || std::string_view(terminal) == "dumb") return false;
  // In any other character set the library drops the bytes it cannot decode.
  std::setlocale(LC_CTYPE, "");
  if (std::string_view(::nl_langinfo(CODESET)) == "UTF-8" && editor().line != nullptr) return true;
  std::setlocale(LC_CTYPE, "C");
  return false;
}

bool read_edited_line(std::string& line) {
  // The editor hears of a resize only while it reads; the window may have changed during a command.
  ::el_resize(editor().line);
  int count = 0;
  const char* got = ::el_gets(editor().line, &count);
  if (got == nullptr || count <= 0) return false;
  line.assign(got);
  // Blank lines and repeats are not worth walking back through.
  if (line.find_first_not_of(" \t\n\v\f\r") != std::string::npos) {
    HistEvent event;
    ::history(editor().history, &event, H_ENTER, line.substr(0, line.find_last_not_of('\n') + 1).c_str());
  }
  return true;
}

}  // namespace jarmenu::sys
