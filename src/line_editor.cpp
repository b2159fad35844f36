// Line editing with libedit's own interface, which lets the program bind Tab and Ctrl-D itself:
// its readline interface appends a space to a completed directory, rings the bell at every
// completion and echoes ^D. Only calls that libedit has had since 2012 are made, since macOS still
// ships that one.
//
// The program reads the terminal for the editor: libedit knows only a few of the escape sequences
// terminals send, and of any other it inserts the tail as typed. The reader takes each sequence
// whole (keys.h) and hands the editor one key of its own for it, bound to what the key does, and
// tells a lone Esc from the start of a sequence by a short wait.
#include "line_editor.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <histedit.h>
#include <langinfo.h>
#include <sys/select.h>
#include <unistd.h>

#include "completion.h"
#include "keys.h"

namespace jarmenu::sys {
namespace {

constexpr int kHistorySize = 500;
constexpr char kEsc = '\x1b';
// How long the rest of an escape sequence may take to follow its Esc; a person is slower.
constexpr timeval kSequenceWait{0, 50'000};
// Above this many names a second Tab asks before listing them, as bash and libedit do.
constexpr std::size_t kAskAbove = 100;

// The keys the reader makes for the editor: U+0080 onwards, C1 control characters that no one
// types, one for each KeyAction, then one for a lone Esc and one that follows a Delete that takes
// the last character of the line.
constexpr wchar_t kFirstKey = 0x80;
constexpr int kLoneEsc = static_cast<int>(KeyAction::kWordRight) + 1;
constexpr int kAfterLastDeleted = kLoneEsc + 1;

/// What each key the reader makes is bound to: in emacs keys, vi's insert mode, vi's command mode.
/// In vi's insert mode the cursor may stand after the last character, as the vi functions that
/// enter it leave it; the editor's own Right, End and Delete keep it off there, as in command mode.
constexpr const wchar_t* kKeyBindings[kAfterLastDeleted + 1][3] = {
    {L"ed-unassigned", L"ed-unassigned", L"ed-unassigned"},              // kBell
    {L"ed-prev-char", L"ed-prev-char", L"ed-prev-char"},                 // kLeft
    {L"ed-next-char", L"vi-add", L"ed-next-char"},                       // kRight
    {L"ed-prev-history", L"ed-prev-history", L"ed-prev-history"},        // kUp
    {L"ed-next-history", L"ed-next-history", L"ed-next-history"},        // kDown
    {L"ed-move-to-beg", L"vi-insert-at-bol", L"vi-zero"},                // kHome
    {L"ed-move-to-end", L"vi-add-at-eol", L"ed-move-to-end"},            // kEnd
    {L"ed-delete-next-char", L"ed-delete-next-char", L"ed-delete-next-char"},  // kDelete
    {L"ed-prev-word", L"ed-prev-word", L"ed-prev-word"},                 // kWordLeft
    {L"em-next-word", L"em-next-word", L"em-next-word"},                 // kWordRight
    {L"ed-unassigned", L"vi-command-mode", L"ed-unassigned"},            // kLoneEsc
    {L"ed-ignore", L"vi-add", L"ed-ignore"},                             // kAfterLastDeleted
};

/// The reader's state: characters to read again, keys made and not yet handed over, and a count.
struct Input {
  std::wstring unread;            // read ahead of the key being made, to be read again
  std::wstring keys;              // made and not yet handed to the editor
  unsigned long handed_over = 0;  // how many keys the editor has had from the terminal
};

/// The one reader.
Input& input() {
  static Input the_input;
  return the_input;
}

/// The editor and its history, made once and never ended: el_end() would flush what is typed ahead.
struct Editor {
  EditLine* line = nullptr;
  History* history = nullptr;
};

/// No prompt: the program has written its question on the lines above.
const char* no_prompt(EditLine*) { return ""; }

/// Whether the editor has vi keys rather than emacs keys.
bool vi_keys(EditLine* editor) {
  const char* keys = nullptr;
  return ::el_get(editor, EL_EDITOR, &keys) == 0 && keys != nullptr && std::string_view(keys) == "vi";
}

/// The key the reader makes for `key`: a KeyAction, kLoneEsc or kAfterLastDeleted.
wchar_t made_key(int key) { return static_cast<wchar_t>(kFirstKey + key); }

/// The key the reader makes for `action`.
wchar_t made_key(KeyAction action) { return made_key(static_cast<int>(action)); }

int read_key(EditLine* editor, wchar_t* key);

/// Whether standard input has something to read within `wait`. A signal cuts the wait short, and
/// counts as nothing: the editor's reader, not this wait, is where it is seen to.
bool typed_within(timeval wait) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(STDIN_FILENO, &ready);
  return ::select(STDIN_FILENO + 1, &ready, nullptr, nullptr, &wait) > 0;
}

constexpr int kTimedOut = -2;

/// Reads the next character typed into `character`, one to read again first, with the editor's
/// own reader, which decodes UTF-8 and sees to the editor's signals: 1, kTimedOut if none comes
/// within `wait` (null: no limit), 0 at the end of input, -1 on a read error.
int next_character(EditLine* editor, const timeval* wait, wchar_t& character) {
  Input& in = input();
  if (!in.unread.empty()) {
    character = in.unread.front();
    in.unread.erase(0, 1);
    return 1;
  }
  if (wait != nullptr && !typed_within(*wait)) return kTimedOut;
  // Wide, so that the libedit of 2012 hands the reader wide characters, as the later ones do.
  ::el_wset(editor, EL_GETCFN, EL_BUILTIN_GETCFN);
  const int got = ::el_wgetc(editor, &character);
  ::el_wset(editor, EL_GETCFN, read_key);
  return got;
}

/// Makes the key of a lone Esc: the editor's own Esc with emacs keys, where it starts Meta, and the
/// key bound to vi's command mode with vi keys, since there the editor's Esc waits for a sequence.
void make_lone_esc(EditLine* editor) { input().keys += vi_keys(editor) ? made_key(kLoneEsc) : L'\x1b'; }

/// Reads the rest of an escape sequence whose Esc has been read, and makes its key.
void make_sequence_key(EditLine* editor) {
  Input& in = input();
  std::wstring read(1, L'\x1b');
  std::string bytes(1, kEsc);  // as read, each character beyond ASCII as a byte no sequence has
  for (;;) {
    switch (sequence_state(bytes)) {
      case Sequence::kWhole:
        in.keys += made_key(key_action(bytes));
        return;
      case Sequence::kBroken:
        in.unread.insert(0, 1, read.back());
        in.keys += made_key(KeyAction::kBell);
        return;
      case Sequence::kNone:
        in.unread.insert(0, read.substr(1));
        make_lone_esc(editor);
        return;
      case Sequence::kPartial:
        break;
    }
    wchar_t character = 0;
    if (next_character(editor, &kSequenceWait, character) == 1) {
      read += character;
      bytes += character < 0x80 ? static_cast<char>(character) : '\x80';
    } else if (read.size() == 1 || read[1] == L'\x1b') {
      // Nothing more came: Esc alone, and then whatever came after it.
      in.unread.insert(0, read.substr(1));
      make_lone_esc(editor);
      return;
    } else {
      in.keys += made_key(KeyAction::kBell);
      return;
    }
  }
}

/// Reads one key typed into input().keys, if it makes one: 1, or 0 at the end of input, -1 on a
/// read error.
int make_key(EditLine* editor) {
  wchar_t character = 0;
  const int got = next_character(editor, nullptr, character);
  if (got != 1) return got;
  if (character == L'\x1b') {
    make_sequence_key(editor);
  } else if (character < kFirstKey || character >= 0xa0) {
    // The reader's own keys are no one's to type.
    input().keys += character;
  }
  return 1;
}

/// Makes Delete ring the bell at the end of the line, as it does elsewhere, and with vi keys keeps
/// the cursor at the end when it takes the last character, as the editor's own Delete does not.
void settle_delete(EditLine* editor, wchar_t& key) {
  const LineInfoW* line = ::el_wline(editor);
  if (line->cursor == line->lastchar) {
    key = made_key(KeyAction::kBell);
  } else if (line->cursor + 1 == line->lastchar && vi_keys(editor)) {
    input().keys.insert(0, 1, made_key(kAfterLastDeleted));
  }
}

/// The editor's reading function: the next key typed, as the reader makes it.
int read_key(EditLine* editor, wchar_t* key) {
  Input& in = input();
  while (in.keys.empty()) {
    const int made = make_key(editor);
    if (made <= 0) return made;
  }
  *key = in.keys.front();
  in.keys.erase(0, 1);
  if (*key == made_key(KeyAction::kDelete)) settle_delete(editor, *key);
  ++in.handed_over;
  return 1;
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
  const unsigned long this_key = input().handed_over;
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
  input().keys.insert(0, 1, made_key(KeyAction::kDelete));
  return CC_NORM;
}

/// Binds the keys the reader makes to what they do, in each of the editor's modes, and Ctrl-R to
/// the search back through earlier lines, which vi keys otherwise lack.
void bind_keys(EditLine* editor) {
  const bool vi = vi_keys(editor);
  for (int key = 0; key <= kAfterLastDeleted; ++key) {
    const wchar_t text[] = {made_key(key), L'\0'};
    ::el_wset(editor, EL_BIND, text, kKeyBindings[key][vi ? 1 : 0], nullptr);
    if (vi) ::el_wset(editor, EL_BIND, L"-a", text, kKeyBindings[key][2], nullptr);
  }
  if (vi) {
    ::el_set(editor, EL_BIND, "^R", "em-inc-search-prev", nullptr);
    ::el_set(editor, EL_BIND, "-a", "^R", "em-inc-search-prev", nullptr);
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
  ::el_set(editor.line, EL_ADDFN, "jarmenu-complete", "Complete a file name", complete_file_name);
  ::el_set(editor.line, EL_ADDFN, "jarmenu-delete-or-end", "Delete a character, or end input", delete_or_end);
  ::el_set(editor.line, EL_BIND, "^I", "jarmenu-complete", nullptr);
  ::el_set(editor.line, EL_BIND, "^D", "jarmenu-delete-or-end", nullptr);
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
