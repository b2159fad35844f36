#include "completion.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace jarmenu {
namespace {

/// `utf8` as a path: bytes as they are on POSIX systems, decoded from UTF-8 on Windows.
std::filesystem::path to_path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

/// The name `path` ends in, as `to_path` takes it.
std::string file_name(const std::filesystem::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
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
    std::string name = file_name(entry->path());
    if (!starts_with(name, stem) || (name.starts_with('.') && !stem.starts_with('.'))) continue;
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
  return start;
}

std::string list_in_columns(const std::vector<Candidate>& found, std::size_t width, char directory_mark) {
  std::size_t column_width = 0;
  for (const Candidate& candidate : found) column_width = std::max(column_width, candidate.name.size() + 3);
  const std::size_t columns = std::max<std::size_t>(1, width / column_width);
  std::string listing;
  for (std::size_t i = 0; i < found.size(); ++i) {
    std::string cell = found[i].name;
    if (found[i].directory) cell += directory_mark;
    const bool last_in_row = (i + 1) % columns == 0 || i + 1 == found.size();
    listing += last_in_row ? cell + "\n" : cell + std::string(column_width - cell.size(), ' ');
  }
  return listing;
}

}  // namespace jarmenu
