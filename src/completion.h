// Tab completion of a file name: the names a typed word may complete to, how far they agree, and
// how they are listed. Plain C++, for the line editing of every platform; the keys are the
// platform's own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jarmenu {

/// A name a word may complete to, and whether it names a directory.
struct Candidate {
  std::string name;
  bool directory = false;
};

/// Whether `name` ends in .jar, .war, .ear or .zip, in any case: an archive the tools open.
bool is_archive(std::string_view name);

/// How a name is told to begin with a typed stem: the file system's own comparison of names.
using StartsWith = bool (*)(std::string_view name, std::string_view stem);

/// Whether `name` begins with `stem` byte for byte, as names compare on POSIX systems.
bool starts_with_exactly(std::string_view name, std::string_view stem);

/// The entries of `directory` ("" for the working directory; UTF-8 on Windows) whose names begin
/// with `stem` as `starts_with` tells and can be typed as one answer (valid UTF-8 with no white
/// space), sorted by name: the directories and archives among them, or all of them where none of
/// those match, as the shells complete for jar and java; hidden ones only after a leading dot.
std::vector<Candidate> completion_candidates(std::string_view directory, std::string_view stem,
                                             StartsWith starts_with = starts_with_exactly);

/// The longest start that the names of `found`, which is not empty, share, in whole characters.
std::string common_start(const std::vector<Candidate>& found);

/// The columns UTF-8 `text` takes at a terminal: two for each East Asian wide character, none for a
/// combining mark, one for any other character and for each byte that is no UTF-8.
std::size_t display_width(std::string_view text);

/// `found` in as many columns as `width` columns of the screen take, a line a row, each
/// directory's name followed by `directory_mark`.
std::string list_in_columns(const std::vector<Candidate>& found, std::size_t width, char directory_mark);

}  // namespace jarmenu
