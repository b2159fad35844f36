// The line editor's input: each key a terminal sends made one key for libedit (key_reader.h).
#include "key_reader.h"

#include <string>

#include <sys/select.h>
#include <unistd.h>

namespace jarmenu::sys {
namespace {

constexpr wchar_t kFirstKey = 0x80;
constexpr wchar_t kEsc = L'\x1b';
// The 8-bit forms of Esc [ and Esc O, as a terminal set to send 8-bit controls sends a key.
constexpr wchar_t kCsi = L'\x9b';
constexpr wchar_t kSs3 = L'\x8f';
// With vi keys a lone Esc is vi's, and looks like the start of a sequence: vim's ttimeoutlen (in
// defaults.vim) tells them apart. With emacs keys Esc is Meta either way, so the reader waits for
// the next key as long as it takes.
constexpr timeval kViEscWait{0, 100'000};
// How long each further byte of a sequence, once begun, may take to come: readline's
// keyseq-timeout, slower than any terminal over a slow link, faster than a person.
constexpr timeval kSequenceWait{0, 500'000};
constexpr int kTimedOut = -2;

/// The reader's state: characters to read again, keys made and not yet handed over, and a count.
struct Input {
  std::wstring unread;            // read ahead of the key being made, to be read again
  std::wstring keys;              // made and not yet handed to the editor
  unsigned long handed_over = 0;  // how many keys the editor has had from the reader
};

/// The one reader.
Input& input() {
  static Input the_input;
  return the_input;
}

/// Whether standard input has something to read within `wait`. A signal cuts the wait short, and
/// counts as nothing: the editor's reader, not this wait, is where it is seen to.
bool typed_within(timeval wait) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(STDIN_FILENO, &ready);
  return ::select(STDIN_FILENO + 1, &ready, nullptr, nullptr, &wait) > 0;
}

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

/// Makes the key of the Esc that `read` begins with, alone, and leaves the rest to be read again as
/// typed: the editor's own Esc with emacs keys, where it starts Meta, and the key bound to vi's
/// command mode with vi keys, since there the editor's Esc waits for a sequence.
void make_lone_esc(EditLine* editor, const std::wstring& read) {
  Input& in = input();
  in.unread.insert(0, read.substr(1));
  in.keys += vi_keys(editor) ? made_key(MadeKey::kLoneEsc) : kEsc;
}

/// `read` as keys.h takes it: each character beyond ASCII as a byte that no sequence holds.
std::string sequence_bytes(const std::wstring& read) {
  std::string bytes;
  for (const wchar_t character : read) bytes += character < 0x80 ? static_cast<char>(character) : '\x80';
  return bytes;
}

/// Reads the rest of the escape sequence that `read` begins (Esc, or Esc [ or Esc O for the 8-bit
/// controls), and makes its key: the key's own, the bell, or a lone Esc.
void make_sequence_key(EditLine* editor, std::wstring read) {
  Input& in = input();
  for (;;) {
    const std::string bytes = sequence_bytes(read);
    switch (sequence_state(bytes)) {
      case Sequence::kWhole:
        in.keys += made_key(key_action(bytes));
        return;
      case Sequence::kBroken:
        in.unread.insert(0, 1, read.back());
        in.keys += made_key(KeyAction::kBell);
        return;
      case Sequence::kNone:
        return make_lone_esc(editor, read);
      case Sequence::kPartial:
        break;
    }
    // Until its [ or O has come, the Esc may be one alone.
    const bool begun = read.find_first_not_of(kEsc) != std::wstring::npos;
    const timeval* wait = begun ? &kSequenceWait : vi_keys(editor) ? &kViEscWait : nullptr;
    wchar_t character = 0;
    if (next_character(editor, wait, character) != 1) {
      if (!begun) return make_lone_esc(editor, read);
      // A sequence that never ends: the bell, and nothing of it in the line.
      in.keys += made_key(KeyAction::kBell);
      return;
    }
    read += character;
  }
}

/// Reads one key typed into input().keys, if it makes one: 1, or 0 at the end of input, -1 on a
/// read error.
int make_key(EditLine* editor) {
  wchar_t character = 0;
  const int got = next_character(editor, nullptr, character);
  if (got != 1) return got;
  if (character == kEsc) {
    make_sequence_key(editor, L"\x1b");
  } else if (character == kCsi || character == kSs3) {
    make_sequence_key(editor, character == kCsi ? L"\x1b[" : L"\x1bO");
  } else if (character < kFirstKey || character >= 0xa0) {
    // The other C1 controls are no one's to type, and the reader's own keys are among them.
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
    queue_keys(std::wstring(1, made_key(MadeKey::kAfterLastDeleted)));
  }
}

}  // namespace

bool vi_keys(EditLine* editor) {
  const char* keys = nullptr;
  return ::el_get(editor, EL_EDITOR, &keys) == 0 && keys != nullptr && std::string_view(keys) == "vi";
}

wchar_t made_key(int key) { return static_cast<wchar_t>(static_cast<int>(kFirstKey) + key); }

wchar_t made_key(KeyAction action) { return made_key(static_cast<int>(action)); }

wchar_t made_key(MadeKey key) { return made_key(static_cast<int>(key)); }

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

void queue_keys(std::wstring_view keys) { input().keys.insert(0, keys); }

unsigned long keys_handed_over() { return input().handed_over; }

}  // namespace jarmenu::sys
