// The line editor's input: reads the terminal for libedit, taking each key a terminal sends as an
// escape sequence whole (keys.h), and hands the editor one key of its own for it, bound to what the
// key does (line_editor.cpp). libedit knows only a few sequences, and of any other it inserts the
// tail as typed.
#pragma once

#include <string_view>

#include <histedit.h>

#include "keys.h"

namespace jarmenu::sys {

/// The keys the reader makes beyond one per KeyAction: the editor binds each to a function.
enum class MadeKey {
  kLoneEsc = static_cast<int>(KeyAction::kWordRight) + 1,  // an Esc that starts no sequence
  kAfterLastDeleted,  // follows a Delete that took the line's last character
  kAppend,            // vi: insert mode after the cursor
  kInsert,            // vi: insert mode at the cursor
  kPreviousLine,      // the editor's own Up and Down
  kNextLine,
  kSettleUp,          // vi's insert mode: puts the cursor where bash leaves it after Up, Down
  kSettleDown,
  kCount,
};

/// How many keys the reader makes, one per KeyAction and one per MadeKey.
inline constexpr int kMadeKeys = static_cast<int>(MadeKey::kCount);

/// The character the reader hands the editor for the key numbered `key` (a KeyAction or a MadeKey):
/// U+0080 onwards, C1 control characters that no one types and that the reader never passes on.
wchar_t made_key(int key);
/// The character the reader hands the editor for `action`.
wchar_t made_key(KeyAction action);
/// The character the reader hands the editor for `key`.
wchar_t made_key(MadeKey key);

/// Whether the editor has vi keys rather than emacs keys.
bool vi_keys(EditLine* editor);

/// The editor's reading function (EL_GETCFN): the next key, as the reader makes it of what is
/// typed. 1, or 0 at the end of input, -1 on a read error.
int read_key(EditLine* editor, wchar_t* key);

/// Hands the editor `keys`, made keys or characters, before anything read after them.
void queue_keys(std::wstring_view keys);

/// How many keys the editor has had from the reader so far.
unsigned long keys_handed_over();

}  // namespace jarmenu::sys
