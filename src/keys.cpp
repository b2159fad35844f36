// Which bytes make one key's escape sequence, and what the key does (keys.h).
#include "keys.h"

#include <cstddef>
#include <vector>

namespace jarmenu {
namespace {

constexpr char kEsc = '\x1b';

/// Whether `c` ends a CSI sequence: ECMA-48's final bytes, and rxvt's $ (Shift) too.
bool is_final(char c) { return (c >= 0x40 && c <= 0x7e) || c == '$'; }

/// How far `body`, what follows Esc [, is a CSI sequence's parameters and final byte.
Sequence csi_state(std::string_view body) {
  // The Linux console's function keys: Esc [ [ and a letter.
  if (body.starts_with('[')) {
    if (body.size() == 1) return Sequence::kPartial;
    return body.size() == 2 && body[1] >= 0x40 && body[1] <= 0x7e ? Sequence::kWhole : Sequence::kBroken;
  }
  // An X10 mouse report, sent where a program before this one left mouse reporting on: Esc [ M
  // and three bytes of any value.
  if (body.starts_with('M')) return body.size() < 4 ? Sequence::kPartial : body.size() == 4 ? Sequence::kWhole
                                                                                           : Sequence::kBroken;
  std::size_t i = 0;
  while (i < body.size() && body[i] >= 0x30 && body[i] <= 0x3f) ++i;
  while (i < body.size() && body[i] >= 0x20 && body[i] <= 0x2f && body[i] != '$') ++i;
  if (i == body.size()) return Sequence::kPartial;
  return i + 1 == body.size() && is_final(body[i]) ? Sequence::kWhole : Sequence::kBroken;
}

/// How far `body`, what follows Esc O, is an SS3 sequence: an optional modifier and a final byte.
Sequence ss3_state(std::string_view body) {
  std::size_t i = 0;
  while (i < body.size() && body[i] >= '0' && body[i] <= '9') ++i;
  if (i == body.size()) return Sequence::kPartial;
  return i + 1 == body.size() && body[i] >= 0x40 && body[i] <= 0x7e ? Sequence::kWhole : Sequence::kBroken;
}

/// The numbers of `parameters` (digits and ;), an empty one as 0; empty for anything else.
std::vector<int> numbers(std::string_view parameters) {
  std::vector<int> result{0};
  for (const char c : parameters) {
    if (c == ';') {
      result.push_back(0);
    } else if (c >= '0' && c <= '9' && result.back() < 1000) {
      result.back() = result.back() * 10 + (c - '0');
    } else {
      return {};
    }
  }
  return result;
}

/// What Esc [ NUMBER ~ does: Home, End and Delete as the various terminals number them.
KeyAction numbered_key(int number) {
  switch (number) {
    case 1:
    case 7:
      return KeyAction::kHome;
    case 4:
    case 8:
      return KeyAction::kEnd;
    case 3:
      return KeyAction::kDelete;
    default:
      return KeyAction::kBell;
  }
}

/// What the cursor key `letter` does with the xterm modifier `modifier` (1 for none; 2 Shift, 3 Alt,
/// 5 Ctrl and their sums), pressed with Alt too where `alt`.
KeyAction cursor_key(char letter, int modifier, bool alt) {
  const int bits = modifier > 1 ? modifier - 1 : 0;
  const bool shift = (bits & 1) != 0;
  const bool word = alt || (bits & (2 | 4 | 8)) != 0;  // Alt, Ctrl or Meta
  if (shift) return KeyAction::kBell;
  if (word) return letter == 'C' ? KeyAction::kWordRight : letter == 'D' ? KeyAction::kWordLeft : KeyAction::kBell;
  switch (letter) {
    case 'A':
      return KeyAction::kUp;
    case 'B':
      return KeyAction::kDown;
    case 'C':
      return KeyAction::kRight;
    case 'D':
      return KeyAction::kLeft;
    case 'H':
      return KeyAction::kHome;
    case 'F':
      return KeyAction::kEnd;
    default:
      return KeyAction::kBell;
  }
}

}  // namespace

Sequence sequence_state(std::string_view bytes) {
  if (bytes.size() < 2) return Sequence::kPartial;
  // Esc before a sequence is Alt, as rxvt sends it; before anything else it is Esc alone.
  if (bytes[1] == kEsc) return sequence_state(bytes.substr(1));
  if (bytes[1] == '[') return csi_state(bytes.substr(2));
  if (bytes[1] == 'O') return ss3_state(bytes.substr(2));
  return Sequence::kNone;
}

KeyAction key_action(std::string_view sequence) {
  bool alt = false;
  while (sequence.size() > 2 && sequence[1] == kEsc) {
    alt = true;
    sequence.remove_prefix(1);
  }
  if (sequence.size() < 3 || sequence.substr(0, 3) == "\x1b[[") return KeyAction::kBell;
  const bool ss3 = sequence[1] == 'O';
  const char final_byte = sequence.back();
  const std::vector<int> values = numbers(sequence.substr(2, sequence.size() - 3));
  if (values.empty()) return KeyAction::kBell;
  if (final_byte == '~' && !ss3) return alt || values.size() > 2 || (values.size() == 2 && values[1] > 1)
                                          ? KeyAction::kBell
                                          : numbered_key(values[0]);
  // rxvt: Esc O c and Esc O d are Ctrl-Right and Ctrl-Left; Esc [ a to d are Shift with an arrow.
  if (final_byte >= 'a' && final_byte <= 'd') return ss3 ? cursor_key(static_cast<char>(final_byte - 'a' + 'A'), 5, alt)
                                                          : KeyAction::kBell;
  // The modifier is the second number (Esc [ 1 ; 5 D), or the only one (Esc [ 5 D, Esc O 5 D).
  if (values.size() > 2) return KeyAction::kBell;
  return cursor_key(final_byte, values.back(), alt);
}

}  // namespace jarmenu
