// Line editing at a POSIX terminal with libedit's own interface, which lets the program bind Tab
// and Ctrl-D itself: its readline interface appends a space to a completed directory, rings the
// bell at every completion and echoes ^D. Tab's glue to the completion rule lives here too; the
// terminal is read for the editor by key_reader.cpp. Only calls that libedit has had since 2012
// are made, since macOS still ships that one.
#include "line_editor.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <histedit.h>
#include <langinfo.h>
#include <unistd.h>

#include "completion.h"
#include "key_reader.h"

namespace jarmenu::sys {
namespace {

constexpr int kHistorySize = 500;
// Above this many names a second Tab asks before listing them, as bash and libedit do.
constexpr std::size_t kAskAbove = 100;

/// What each key the reader makes is bound to: in emacs keys, vi's insert mode, vi's command mode.
/// In vi's insert mode the cursor may stand after the last character, as the vi functions that
/// enter it leave it; the editor's own Right, End and Delete keep it off there, as in command mode.
/// Up and Down there are the program's, which leave the cursor where bash's vi mode does.
constexpr const wchar_t* kKeyBindings[kMadeKeys][3] = {
    {L"ed-unassigned", L"ed-unassigned", L"ed-unassigned"},              // kBell
    {L"ed-prev-char", L"ed-prev-char", L"ed-prev-char"},                 // kLeft
    {L"ed-next-char", L"vi-add", L"ed-next-char"},                       // kRight
    {L"ed-prev-history", L"jarmenu-walk-back", L"ed-prev-history"},      // kUp
    {L"ed-next-history", L"jarmenu-walk-forward", L"ed-next-history"},   // kDown
    {L"ed-move-to-beg", L"vi-insert-at-bol", L"vi-zero"},                // kHome
    {L"ed-move-to-end", L"vi-add-at-eol", L"ed-move-to-end"},            // kEnd
    {L"ed-delete-next-char", L"ed-delete-next-char", L"ed-delete-next-char"},  // kDelete
    {L"ed-prev-word", L"ed-prev-word", L"ed-prev-word"},                 // kWordLeft
    {L"em-next-word", L"em-next-word", L"em-next-word"},                 // kWordRight
    {L"ed-unassigned", L"vi-command-mode", L"ed-unassigned"},            // kLoneEsc
    {L"ed-ignore", L"vi-add", L"ed-ignore"},                             // kAfterLastDeleted
    {L"ed-unassigned", L"ed-unassigned", L"vi-add"},                     // kAppend
    {L"ed-unassigned", L"ed-unassigned", L"vi-insert"},                  // kInsert
    {L"ed-prev-history", L"ed-prev-history", L"ed-prev-history"},        // kPreviousLine
    {L"ed-next-history", L"ed-next-history", L"ed-next-history"},        // kNextLine
    {L"ed-unassigned", L"jarmenu-settle-up", L"ed-unassigned"},          // kSettleUp
    {L"ed-unassigned", L"jarmenu-settle-down", L"ed-unassigned"},        // kSettleDown
};

/// The editor and its history, made once and never ended: el_end() would flush what is typed ahead.
struct Editor {
  EditLine* line = nullptr;
  History* history = nullptr;
};

/// How far back through the history Up has gone in the line being read, and where the cursor
/// stood in the line being typed when Up first left it, so that Down brings it back there.
struct HistoryWalk {
  int depth = 0;
  std::size_t newest_cursor = 0;
  std::wstring before;  // the line as it was before the last Up or Down
};

/// The one walk, begun afresh at each line.
HistoryWalk& history_walk() {
  static HistoryWalk the_walk;
  return the_walk;
}

/// No prompt: the program has written its question on the lines above.
const char* no_prompt(EditLine*) { return ""; }

/// The line being edited, as wide characters.
std::wstring wide_line(EditLine* editor) {
  const LineInfoW* line = ::el_wline(editor);
  return std::wstring(line->buffer, line->lastchar);
}

/// `directory` with a leading ~/ as the home directory, which the shell also makes of it.
std::string expand_home(const std::string& directory) {
  const char* home = std::getenv("HOME");
  if (directory.starts_with("~/") && home != nullptr) return home + directory.substr(1);
  return directory;
}

/// The terminal's width in columns, as the editor knows it.
std::size_t terminal_width(EditLine* editor) {
  int columns = 0;
  // The null ends EL_GETTC's arguments for the libedit of 2012, which reads on until one.
  const bool known = ::el_get(editor, EL_GETTC, "co", &columns, nullptr) == 0 && columns > 0;
  return known ? static_cast<std::size_t>(columns) : 80;
}

/// Lists `found` below the line, first asking whether to when they are many; the editor then
/// draws the line again below the list.
unsigned char list_candidates(EditLine* editor, const std::vector<Candidate>& found) {
  if (found.size() > kAskAbove) {
    std::printf("\nDisplay all %zu possibilities? (y or n)", found.size());
    std::fflush(stdout);
    wchar_t answer = 0;
    const bool yes = read_key(editor, &answer) == 1 && (answer == L'y' || answer == L'Y');
    std::fputc('\n', stdout);
    if (!yes) return CC_REDISPLAY;
  } else {
    std::fputc('\n', stdout);
  }
  std::fputs(list_in_columns(found, terminal_width(editor), '/').c_str(), stdout);
  return CC_REDISPLAY;
}

/// Tab: completes the file name before the cursor among the archives and directories it may name
/// (see completion_candidates), as far as they agree, and wholly when one does (a directory with a
/// /, so that Tab goes on inside it); a Tab right after one that left several can add nothing more,
/// and lists them.
unsigned char complete_file_name(EditLine* editor, int) {
  static unsigned long ambiguous_tab = 0;  // the number of the last key that was a Tab left undecided
  const unsigned long this_key = keys_handed_over();
  const bool listing_wanted = ambiguous_tab != 0 && ambiguous_tab + 1 == this_key;
  const LineInfo* line = ::el_line(editor);
  const std::string before(line->buffer, line->cursor);
  const std::string word = before.substr(before.find_last_of(" \t") + 1);
  const std::string directory = word.substr(0, word.rfind('/') + 1);
  const std::vector<Candidate> found =
      completion_candidates(expand_home(directory), std::string_view(word).substr(directory.size()));
  ambiguous_tab = found.size() > 1 ? this_key : 0;
  if (found.empty()) return CC_ERROR;
  std::string addition = common_start(found).substr(word.size() - directory.size());
  if (found.size() == 1) addition += found.front().directory ? '/' : ' ';
  if (!addition.empty()) {
    ::el_insertstr(editor, addition.c_str());
    return CC_REFRESH;
  }
  return listing_wanted ? list_candidates(editor, found) : CC_ERROR;
}

/// Ctrl-D: the end of input on an empty line, without echoing ^D; elsewhere it deletes the
/// character under the cursor, as the editor's own binding does, and nothing at the end.
unsigned char delete_or_end(EditLine* editor, int) {
  const LineInfo* line = ::el_line(editor);
  if (line->buffer == line->lastchar) return CC_EOF;
  if (line->cursor == line->lastchar) return CC_ERROR;
  // The reader's Delete does it, as the next key: libedit of 2012 cannot move the cursor from here.
  queue_keys(std::wstring(1, made_key(KeyAction::kDelete)));
  return CC_NORM;
}

/// vi's command mode, Tab: completes as in insert mode the name up to the character under the
/// cursor and with it, and goes on in insert mode after what it added, where Tab goes on too.
unsigned char complete_from_command_mode(EditLine*, int) {
  queue_keys(std::wstring{made_key(MadeKey::kAppend), L'\t'});
  return CC_NORM;
}

/// vi's command mode, Ctrl-R: the search back through earlier lines, from insert mode, where the
/// letters typed are the search until Enter or Esc, not vi's commands.
unsigned char search_from_command_mode(EditLine*, int) {
  queue_keys(std::wstring{made_key(MadeKey::kInsert), L'\x12'});
  return CC_NORM;
}

/// vi's insert mode, Up: the line before, then the cursor where bash's vi mode puts it.
unsigned char walk_back(EditLine* editor, int) {
  HistoryWalk& walk = history_walk();
  const LineInfoW* line = ::el_wline(editor);
  if (walk.depth == 0) walk.newest_cursor = static_cast<std::size_t>(line->cursor - line->buffer);
  walk.before = wide_line(editor);
  queue_keys(std::wstring{made_key(MadeKey::kPreviousLine), made_key(MadeKey::kSettleUp)});
  return CC_NORM;
}

/// vi's insert mode, Down: the line after, then the cursor where bash's vi mode puts it.
unsigned char walk_forward(EditLine* editor, int) {
  history_walk().before = wide_line(editor);
  queue_keys(std::wstring{made_key(MadeKey::kNextLine), made_key(MadeKey::kSettleDown)});
  return CC_NORM;
}

/// After Up: the cursor at the end of the earlier line, as in bash; the editor's vi mode puts it
/// at the start. Where there was none, the editor has rung the bell and the line stays.
unsigned char settle_up(EditLine* editor, int) {
  HistoryWalk& walk = history_walk();
  if (wide_line(editor) == walk.before) return CC_NORM;
  ++walk.depth;
  queue_keys(std::wstring(1, made_key(KeyAction::kEnd)));
  return CC_NORM;
}

/// After Down: the cursor at the end of a later line, or back where it stood in the line being
/// typed, as in bash.
unsigned char settle_down(EditLine* editor, int) {
  HistoryWalk& walk = history_walk();
  if (wide_line(editor) == walk.before || walk.depth == 0) return CC_NORM;
  std::wstring keys(1, made_key(KeyAction::kEnd));
  if (--walk.depth == 0) {
    // Home, then Right to the place: libedit of 2012 cannot move the cursor from here.
    keys.assign(1, made_key(KeyAction::kHome));
    keys.append(walk.newest_cursor, made_key(KeyAction::kRight));
  }
  queue_keys(keys);
  return CC_NORM;
}

/// The editor functions of the program's own, by the names the bindings give them.
struct EditorFunction {
  const char* name;
  const char* help;
  unsigned char (*function)(EditLine*, int);
};
constexpr EditorFunction kFunctions[] = {
    {"jarmenu-complete", "Complete a file name", complete_file_name},
    {"jarmenu-delete-or-end", "Delete a character, or end input", delete_or_end},
    {"jarmenu-complete-after", "Complete a file name from vi's command mode", complete_from_command_mode},
    {"jarmenu-search-back", "Search earlier lines from vi's command mode", search_from_command_mode},
    {"jarmenu-walk-back", "The line before, the cursor at its end", walk_back},
    {"jarmenu-walk-forward", "The line after, the cursor as it was", walk_forward},
    {"jarmenu-settle-up", "Put the cursor where Up leaves it", settle_up},
    {"jarmenu-settle-down", "Put the cursor where Down leaves it", settle_down},
};

/// The control keys that do the same in every mode, each bound in emacs keys and vi's insert mode,
/// then in vi's command mode (none: the editor's own). ^H moves left there, as in vi and bash.
constexpr const char* kControlBindings[][3] = {
    {"^I", "jarmenu-complete", "jarmenu-complete-after"},
    {"^D", "jarmenu-delete-or-end", "jarmenu-delete-or-end"},
    {"^R", "em-inc-search-prev", "jarmenu-search-back"},
    {"^H", nullptr, "ed-prev-char"},
};

/// Binds the keys the reader makes to what they do, in each of the editor's modes, and the control
/// keys of the program's own.
void bind_keys(EditLine* editor) {
  const bool vi = vi_keys(editor);
  for (int key = 0; key < kMadeKeys; ++key) {
    const wchar_t text[] = {made_key(key), L'\0'};
    ::el_wset(editor, EL_BIND, text, kKeyBindings[key][vi ? 1 : 0], nullptr);
    if (vi) ::el_wset(editor, EL_BIND, L"-a", text, kKeyBindings[key][2], nullptr);
  }
  for (const auto& [key, main, command_mode] : kControlBindings) {
    if (main != nullptr) ::el_set(editor, EL_BIND, key, main, nullptr);
    if (vi) ::el_set(editor, EL_BIND, "-a", key, command_mode, nullptr);
  }
}

/// Makes the editor: emacs keys, signals handled, the user's ~/.editrc, then the keys of ours.
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
  ::el_wset(editor.line, EL_GETCFN, read_key);
  ::el_source(editor.line, nullptr);
  // After ~/.editrc, which may switch to vi keys and so replace every binding made before it.
  for (const EditorFunction& function : kFunctions)
    ::el_set(editor.line, EL_ADDFN, function.name, function.help, function.function);
  bind_keys(editor.line);
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
  history_walk() = {};
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
