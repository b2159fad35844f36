// The keys a terminal sends as escape sequences, and what each does to the line being edited.
// Plain C++: the line editor reads the bytes and asks here how far they make one key.
#pragma once

#include <string_view>

namespace jarmenu {

/// What a key does to the line: move, delete, or nothing but the bell.
enum class KeyAction { kBell, kLeft, kRight, kUp, kDown, kHome, kEnd, kDelete, kWordLeft, kWordRight };

/// How far bytes that begin with Esc are the escape sequence of one key.
enum class Sequence {
  kPartial,  // a start of one: more bytes are on their way, or it is a lone Esc
  kWhole,    // one whole sequence
  kBroken,   // a sequence broken off by its last byte, which is to be read again as typed
  kNone,     // Esc and one byte that starts no sequence: Esc alone, then that byte as typed
};

/// How far `bytes`, which begin with Esc, are an escape sequence: CSI (Esc [ parameters final),
/// SS3 (Esc O, a modifier, a letter), the Linux console's Esc [ [ letter, an X10 mouse report (Esc
/// [ M and three bytes), each also after an Esc (Alt, as rxvt sends it).
Sequence sequence_state(std::string_view bytes);

/// What the whole escape sequence `sequence` does, as bash does with Debian's /etc/inputrc: the
/// arrows, Home, End and Delete as xterm, VTE, Konsole, tmux, screen, rxvt, PuTTY, the Linux console
/// and macOS's Terminal send them; Ctrl or Alt with Left or Right a word; every other key nothing.
KeyAction key_action(std::string_view sequence);

}  // namespace jarmenu
