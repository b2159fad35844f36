// Line editing with libedit's own interface, which lets the program bind Tab and Ctrl-D itself:
// its readline interface appends a space to a completed directory, rings the bell at every
// completion and echoes ^D.
#include "line_editor.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include <histedit.h>
#include <langinfo.h>
#include <unistd.h>

#include "completion.h"

namespace jarmenu::sys {
namespace {

constexpr int kHistorySize = 500;

/// The editor and its history, made once and never ended: el_end() would flush what is typed ahead.
struct Editor {
  EditLine* line = nullptr;
  History* history = nullptr;
};

/// No prompt: the program has written its question on the lines above.
const char* no_prompt(EditLine*) { return ""; }

/// `directory` with a leading ~/ as the home directory, which the shell also makes of it.
std::string expand_home(const std::string& directory) {
  const char* home = std::getenv("HOME");
  if (directory.starts_with("~/") && home != nullptr) return home + directory.substr(1);
  return directory;
}

/// The line and the cursor's place in it, to tell a second Tab from a first.
std::string line_state(EditLine* editor) {
  const LineInfo* line = ::el_line(editor);
  return std::string(line->buffer, line->lastchar) + '\0' + std::to_string(line->cursor - line->buffer);
}

/// The terminal's width in columns, as the editor knows it.
std::size_t terminal_width(EditLine* editor) {
  int columns = 0;
  return ::el_get(editor, EL_GETTC, "co", &columns) == 0 && columns > 0 ? static_cast<std::size_t>(columns) : 80;
}

/// Tab: completes the file name before the cursor among the archives and directories it may name
/// (see completion_candidates), as far as they agree, and wholly when one does (a directory with a
/// /, so that Tab goes on inside it); a second Tab that can add nothing lists them.
unsigned char complete_file_name(EditLine* editor, int) {
  static std::string ambiguous_state;  // the line as the last Tab that could not decide left it
  const LineInfo* line = ::el_line(editor);
  const std::string before(line->buffer, line->cursor);
  const std::string word = before.substr(before.find_last_of(" \t") + 1);
  const std::string directory = word.substr(0, word.rfind('/') + 1);
  const std::vector<Candidate> found =
      completion_candidates(expand_home(directory), std::string_view(word).substr(directory.size()));
  if (found.empty()) return CC_ERROR;
  std::string addition = common_start(found).substr(word.size() - directory.size());
  if (found.size() == 1) addition += found.front().directory ? '/' : ' ';
  if (!addition.empty()) ::el_insertstr(editor, addition.c_str());
  if (found.size() == 1) return CC_REFRESH;
  const std::string state = line_state(editor);
  const bool second_tab = addition.empty() && state == ambiguous_state;
  ambiguous_state = state;
  if (!second_tab) return addition.empty() ? CC_ERROR : CC_REFRESH;
  std::fputc('\n', stdout);
  std::fputs(list_in_columns(found, terminal_width(editor), '/').c_str(), stdout);
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

/// Binds what tmux, screen, PuTTY and the Linux console send for Home and End, whatever TERM says.
/// With vi keys, only in the command mode, as the editor binds its arrows: a sequence that begins
/// with Esc in the insert mode would make Esc wait for the rest of it.
void bind_home_and_end(EditLine* editor) {
  const char* keys = nullptr;
  const bool vi = ::el_get(editor, EL_EDITOR, &keys) == 0 && keys != nullptr && std::string_view(keys) == "vi";
  constexpr std::pair<const char*, const char*> kHomeAndEnd[] = {{"\033[1~", "ed-move-to-beg"},
                                                                 {"\033[4~", "ed-move-to-end"}};
  for (const auto& [keys_sent, action] : kHomeAndEnd) {
    if (vi)
      ::el_set(editor, EL_BIND, "-a", keys_sent, action, nullptr);
    else
      ::el_set(editor, EL_BIND, keys_sent, action, nullptr);
  }
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
  bind_home_and_end(editor.line);
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
