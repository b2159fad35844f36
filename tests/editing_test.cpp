// The rules behind line editing, apart from any terminal: which bytes make one key and what it
// does, and what Tab may offer, add and list.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "completion.h"
#include "keys.h"
#include "support.h"

namespace jarmenu {
namespace {

TEST(Keys, EachTerminalsSequenceIsTakenWholeAndDoesWhatBashDoes) {
  struct Case {
    std::string_view bytes;
    KeyAction action;
  } const cases[] = {
      {"\x1b[D", KeyAction::kLeft},       {"\x1bOC", KeyAction::kRight},      {"\x1b[A", KeyAction::kUp},
      {"\x1bOB", KeyAction::kDown},       {"\x1b[H", KeyAction::kHome},       {"\x1bOF", KeyAction::kEnd},
      {"\x1b[1~", KeyAction::kHome},      {"\x1b[7~", KeyAction::kHome},      {"\x1b[4~", KeyAction::kEnd},
      {"\x1b[8~", KeyAction::kEnd},       {"\x1b[3~", KeyAction::kDelete},    {"\x1b[1;5D", KeyAction::kWordLeft},
      {"\x1b[1;5C", KeyAction::kWordRight}, {"\x1b[1;3D", KeyAction::kWordLeft}, {"\x1b[5C", KeyAction::kWordRight},
      {"\x1b\x1b[D", KeyAction::kWordLeft}, {"\x1bOd", KeyAction::kWordLeft}, {"\x1bOc", KeyAction::kWordRight},
      {"\x1bO5D", KeyAction::kWordLeft},  {"\x1b[1;2D", KeyAction::kBell},   {"\x1b[1;5A", KeyAction::kBell},
      {"\x1b[5~", KeyAction::kBell},      {"\x1b[2~", KeyAction::kBell},      {"\x1b[15~", KeyAction::kBell},
      {"\x1b[3;5~", KeyAction::kBell},    {"\x1b[Z", KeyAction::kBell},       {"\x1bOP", KeyAction::kBell},
      {"\x1b[[A", KeyAction::kBell},      {"\x1b[2$", KeyAction::kBell},      {"\x1b[3^", KeyAction::kBell},
      {"\x1b[a", KeyAction::kBell},       {"\x1b[?1;2c", KeyAction::kBell},   {"\x1b\x1b[3~", KeyAction::kBell},
      {"\x1b[2@", KeyAction::kBell},      {"\x1b[20~", KeyAction::kBell},     {"\x1b[3;1~", KeyAction::kDelete},
      {"\x1b[1;7D", KeyAction::kWordLeft}, {"\x1b[1;6C", KeyAction::kBell},   {"\x1b[M !!", KeyAction::kBell},
      {"\x1b[M\x80\x80\x80", KeyAction::kBell},
  };
  for (const Case& c : cases) {
    // Every byte before the last leaves the sequence open, so the reader waits for the rest.
    for (std::size_t length = 1; length < c.bytes.size(); ++length)
      EXPECT_EQ(sequence_state(c.bytes.substr(0, length)), Sequence::kPartial) << testing::PrintToString(c.bytes);
    EXPECT_EQ(sequence_state(c.bytes), Sequence::kWhole) << testing::PrintToString(c.bytes);
    EXPECT_EQ(key_action(c.bytes), c.action) << testing::PrintToString(c.bytes);
  }
}

TEST(Keys, EscBeforeAnythingButASequenceIsEscAloneAndABrokenOneEndsAtItsOddByte) {
  struct Case {
    std::string_view bytes;
    Sequence state;
  } const cases[] = {
      {"\x1bx", Sequence::kNone},    {"\x1b" "b", Sequence::kNone},  {"\x1b\x1bx", Sequence::kNone},
      {"\x1b\r", Sequence::kNone},   {"\x1b[\r", Sequence::kBroken}, {"\x1b[1;\x7f", Sequence::kBroken},
      {"\x1bO\x1b", Sequence::kBroken}, {"\x1b[[\r", Sequence::kBroken}, {"\x1b[M !!x", Sequence::kBroken},
  };
  for (const Case& c : cases) EXPECT_EQ(sequence_state(c.bytes), c.state) << testing::PrintToString(c.bytes);
}

/// Whether a name of the generated directories can be typed as one answer: no white space, and no
/// \xff or lone lead byte \xd0, the only bytes there that start no UTF-8 character.
bool typable(std::string_view name) { return name.find_first_of(" \t\xff\xd0") == std::string_view::npos; }

TEST(Completion, AddsOnlyWholeCharactersOfNamesThatCanBeTypedAndCompletesALoneOneWhole) {
  // Characters of two, three and four bytes, some sharing their first bytes, and bytes of none.
  constexpr std::string_view kPieces[] = {"a", "b", ".", " ", "\t", "\xc3\xa9", "\xc3\xa8", "\xe6\x97\xa5",
                                          "\xe6\x97\xa6", "\xf0\x9f\x98\x80", "\xff", "\xd0", ".jar", ".JAR", ".Zip",
                                          ".war"};
  std::mt19937 random(20261209);
  const auto piece = [&] { return kPieces[random() % std::size(kPieces)]; };
  test::TempDir top;
  for (int round = 0; round < 300; ++round) {
    const std::filesystem::path dir = top.path() / std::to_string(round);
    std::filesystem::create_directory(dir);
    std::set<std::string> names;
    for (std::size_t count = random() % 8; names.size() < count;) {
      std::string name;
      for (std::size_t length = 1 + random() % 4; length > 0; --length) name += piece();
      if (name == "." || name == ".." || !names.insert(name).second) continue;
      if (random() % 4 == 0) {
        std::filesystem::create_directory(dir / name);
      } else {
        std::ofstream(dir / name);
      }
    }
    for (const std::string& name : names) {
      // What is typed is whole characters: the editor holds nothing else.
      std::size_t typed = random() % (name.size() + 1);
      while (typed < name.size() && (static_cast<unsigned char>(name[typed]) & 0xc0) == 0x80) --typed;
      const std::string stem = name.substr(0, typed);
      const std::vector<Candidate> found = completion_candidates(dir.string() + "/", stem);
      // The names that must be offered: typable ones with the stem, the archives and directories
      // among them where there are any, hidden ones only after a dot.
      std::vector<std::string> expected, wanted;
      for (const std::string& other : names) {
        if (!other.starts_with(stem) || !typable(other) || (other.starts_with('.') && !stem.starts_with('.'))) continue;
        expected.push_back(other);
        if (std::filesystem::is_directory(dir / other) || is_archive(other)) wanted.push_back(other);
      }
      if (!wanted.empty()) expected = wanted;
      std::vector<std::string> offered;
      for (const Candidate& candidate : found) offered.push_back(candidate.name);
      ASSERT_EQ(offered, expected) << "stem " << testing::PrintToString(stem) << " in " << dir;
      if (found.empty()) continue;
      const std::string start = common_start(found);
      ASSERT_TRUE(start.starts_with(stem)) << testing::PrintToString(start);
      const auto is_continuation = [](char byte) { return (static_cast<unsigned char>(byte) & 0xc0) == 0x80; };
      for (const Candidate& candidate : found) {
        ASSERT_TRUE(candidate.name.starts_with(start)) << testing::PrintToString(start);
        // No cut inside a character: the next byte of every longer name starts one.
        if (candidate.name.size() > start.size()) {
          EXPECT_FALSE(is_continuation(candidate.name[start.size()]))
              << testing::PrintToString(start) << " cuts " << testing::PrintToString(candidate.name);
        }
      }
      // And no shorter than that: the names part at the next whole character.
      const std::string& first = found.front().name;
      if (first.size() > start.size()) {
        std::size_t end = start.size() + 1;
        while (end < first.size() && is_continuation(first[end])) ++end;
        const std::string further = first.substr(0, end);
        EXPECT_FALSE(std::all_of(found.begin(), found.end(),
                                 [&](const Candidate& candidate) { return candidate.name.starts_with(further); }))
            << "the names agree past " << testing::PrintToString(start);
      }
      if (found.size() == 1) {
        EXPECT_EQ(start, found.front().name) << "a lone name is completed whole";
      }
    }
  }
}

TEST(Completion, ListsInColumnsOfTheWidthCharactersTakeOnTheScreen) {
  const auto candidates = [](std::vector<std::string> names) {
    std::vector<Candidate> found;
    for (std::string& name : names) found.push_back({std::move(name), false});
    return found;
  };
  struct Case {
    const char* why;
    std::vector<Candidate> found;
    std::size_t width;
    std::string_view listing;
  } const cases[] = {
      {"a wide character takes two columns", candidates({"\xe6\x97\xa5\xe6\x9c\xac.jar", "ab.jar", "cd.jar"}), 40,
       "\xe6\x97\xa5\xe6\x9c\xac.jar   ab.jar     cd.jar\n"},
      {"a combining mark none", candidates({"e\xcc\x81.jar", "abcd.jar"}), 40, "e\xcc\x81.jar      abcd.jar\n"},
      {"as many columns as fit whole, three blanks apart", candidates({"a.jar", "b.jar", "c.jar"}), 16,
       "a.jar   b.jar\nc.jar\n"},
      {"one fewer where the width is one short", candidates({"a.jar", "b.jar", "c.jar"}), 15, "a.jar\nb.jar\nc.jar\n"},
      {"a directory has its mark", {{"d", true}, {"e.jar", false}}, 80, "d/      e.jar\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(list_in_columns(c.found, c.width, '/'), c.listing) << c.why;
}

}  // namespace
}  // namespace jarmenu
