// Which names Tab offers, how far they agree, and how they are listed (completion.h).
#include "completion.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "utf8_path.h"

namespace jarmenu {
namespace {

constexpr char32_t kInvalid = 0xffffffff;

/// The character of UTF-8 `text` that starts at `at`, moving `at` past it; kInvalid, moving one
/// byte, where no valid UTF-8 starts (an overlong form, a surrogate, past U+10FFFF).
char32_t next_character(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  const std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
  if (length == 0 || lead > 0xf4 || at + length - 1 > text.size()) return kInvalid;
  char32_t character = lead & (0x7f >> length);
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return kInvalid;
    character = character << 6 | (byte(at + i) & 0x3f);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (character < kSmallest[length] || character > 0x10ffff || (character >= 0xd800 && character < 0xe000))
    return kInvalid;
  at += length - 1;
  return character;
}

/// Whether `name` can be typed as one answer: valid UTF-8 with none of the six white-space bytes,
/// which end a word.
bool is_typable(std::string_view name) {
  if (name.find_first_of(" \t\n\v\f\r") != std::string_view::npos) return false;
  for (std::size_t at = 0; at < name.size();)
    if (next_character(name, at) == kInvalid) return false;
  return true;
}

/// The columns `character` takes at a terminal: none for a combining mark or a zero-width one, two
/// for an East Asian wide or full-width one, one for any other.
std::size_t character_width(char32_t character) {
  struct Range {
    char32_t first, last;
  };
  constexpr Range kZeroWidth[] = {{0x0300, 0x036f}, {0x0483, 0x0489}, {0x0591, 0x05bd}, {0x0610, 0x061a},
                                  {0x064b, 0x065f}, {0x0e31, 0x0e3a}, {0x1ab0, 0x1aff}, {0x1dc0, 0x1dff},
                                  {0x200b, 0x200f}, {0x20d0, 0x20ff}, {0xfe00, 0xfe0f}, {0xfe20, 0xfe2f}};
  constexpr Range kWide[] = {{0x1100, 0x115f}, {0x2e80, 0x303e}, {0x3041, 0x33ff}, {0x3400, 0x4dbf},
                             {0x4e00, 0x9fff}, {0xa000, 0xa4cf}, {0xac00, 0xd7a3}, {0xf900, 0xfaff},
                             {0xfe30, 0xfe4f}, {0xff00, 0xff60}, {0xffe0, 0xffe6}, {0x1f300, 0x1f64f},
                             {0x1f900, 0x1f9ff}, {0x20000, 0x3fffd}};
  const auto in = [&](const auto& ranges) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [&](const Range& range) { return character >= range.first && character <= range.last; });
  };
  return in(kZeroWidth) ? 0 : in(kWide) ? 2 : 1;
}

/// Whether `name` ends in `suffix`, in any ASCII case.
bool ends_with_any_case(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [&](char a, char b) { return a == lower(b); });
}

}  // namespace

bool is_archive(std::string_view name) {
  constexpr std::array<std::string_view, 4> kSuffixes{".jar", ".war", ".ear", ".zip"};
  return std::any_of(kSuffixes.begin(), kSuffixes.end(),
                     [&](std::string_view suffix) { return ends_with_any_case(name, suffix); });
}

bool starts_with_exactly(std::string_view name, std::string_view stem) { return name.starts_with(stem); }

std::vector<Candidate> completion_candidates(std::string_view directory, std::string_view stem,
                                             StartsWith starts_with) {
  std::vector<Candidate> found;
  std::error_code error;
  // Errors end the listing quietly: Tab then completes what could be read, or nothing.
  for (std::filesystem::directory_iterator entry(to_path(directory.empty() ? "." : directory), error), end;
       !error && entry != end; entry.increment(error)) {
    std::string name = to_text(entry->path().filename());
    if (!starts_with(name, stem) || (name.starts_with('.') && !stem.starts_with('.')) || !is_typable(name)) continue;
    std::error_code not_a_directory;
    found.push_back({std::move(name), entry->is_directory(not_a_directory)});
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.name < b.name; });
  // What the tools open, and the directories on the way to it; everything only where neither matches.
  std::vector<Candidate> wanted;
  std::copy_if(found.begin(), found.end(), std::back_inserter(wanted),
               [](const Candidate& candidate) { return candidate.directory || is_archive(candidate.name); });
  return wanted.empty() ? found : wanted;
}

std::string common_start(const std::vector<Candidate>& found) {
  std::string start = found.front().name;
  for (const Candidate& candidate : found) {
    const auto differ = std::mismatch(start.begin(), start.end(), candidate.name.begin(), candidate.name.end());
    start.erase(differ.first, start.end());
  }
  // Whole characters only: where the names part inside one, its start is theirs.
  const auto longer = std::find_if(found.begin(), found.end(),
                                   [&](const Candidate& candidate) { return candidate.name.size() > start.size(); });
  const auto cut_inside = [&] { return (static_cast<unsigned char>(longer->name[start.size()]) & 0xc0) == 0x80; };
  while (longer != found.end() && !start.empty() && cut_inside()) start.pop_back();
  return start;
}

std::size_t display_width(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t character = next_character(text, at);
    width += character == kInvalid ? 1 : character_width(character);
  }
  return width;
}

std::string list_in_columns(const std::vector<Candidate>& found, std::size_t width, char directory_mark) {
  std::size_t column_width = 0;
  for (const Candidate& candidate : found) column_width = std::max(column_width, display_width(candidate.name) + 3);
  const std::size_t columns = std::max<std::size_t>(1, width / column_width);
  std::string listing;
  for (std::size_t i = 0; i < found.size(); ++i) {
    std::string cell = found[i].name;
    if (found[i].directory) cell += directory_mark;
    const bool last_in_row = (i + 1) % columns == 0 || i + 1 == found.size();
    listing += last_in_row ? cell + "\n" : cell + std::string(column_width - display_width(cell), ' ');
  }
  return listing;
}

}  // namespace jarmenu
