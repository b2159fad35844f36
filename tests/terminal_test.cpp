// The built jarmenu on a pseudo-terminal, where people meet it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "support.h"

namespace jarmenu::test {
namespace {

constexpr std::string_view kCtrlC = "\x03";
constexpr std::string_view kCtrlD = "\x04";
constexpr std::string_view kCtrlBackslash = "\x1c";

/// `text` as the terminal shows it: each line feed becomes a carriage return and a line feed.
std::string shown(std::string_view text) {
  std::string result;
  for (const char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

/// A session in a fresh directory that has shown its first menu.
class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.wait_for(shown(text::kMenu))) << session_.seen(); }

  /// Types 4 and expects jarmenu to end with status 0.
  void quit() {
    session_.type("4\r");
    EXPECT_EQ(session_.wait_exit(), 0) << session_.seen();
  }

  TempDir dir_;
  PtySession session_{{dir_.path(), {}}};
};

TEST_F(TerminalTest, ShowsEachTextAsWrittenBeforeASlowCommandEnds) {
  session_.type("3 slow.jar\r");
  ASSERT_TRUE(session_.wait_for("slow started")) << session_.seen();
  // On a pipe the command's output would come first; on a terminal the blank line is already there.
  EXPECT_NE(session_.seen().find(shown(std::string(text::kExample) + "\njava <-jar> <slow.jar>\n")), std::string::npos)
      << session_.seen();
}

TEST_F(TerminalTest, EnterAloneWritesNothingAndKeepsWaiting) {
  session_.mark();
  session_.type("\r");
  session_.collect_for(300ms);
  EXPECT_EQ(session_.seen(), "\r\n") << "only the terminal's echo of Enter";
  session_.type("1\r");
  ASSERT_TRUE(session_.wait_for(shown(text::kExample))) << session_.seen();
  session_.mark();
  session_.type("\r");
  session_.collect_for(300ms);
  EXPECT_EQ(session_.seen(), "\r\n") << "only the terminal's echo of Enter";
  session_.type("x.jar\r");
  EXPECT_TRUE(session_.wait_for(shown("jar <tvf> <x.jar>\n\nDone viewing...\n\n") + shown(text::kMenu)))
      << session_.seen();
  quit();
}

TEST_F(TerminalTest, TheEndOfInputRightAfterDigitsIsNotFinal) {
  session_.type("1");
  session_.type(kCtrlD);
  ASSERT_TRUE(session_.wait_for(shown(text::kExample))) << session_.seen();
  session_.type("x.jar\r");
  EXPECT_TRUE(session_.wait_for(shown("jar <tvf> <x.jar>\n\nDone viewing...\n"))) << session_.seen();
  quit();
}

TEST_F(TerminalTest, ANameEndedByCtrlDRunsAndThenEndsTheProgram) {
  session_.type("1\r");
  ASSERT_TRUE(session_.wait_for(shown(text::kExample))) << session_.seen();
  // The typed line is read whole, however long, and the end of input follows a line that Ctrl-D ended.
  session_.type("a-name-of-more-than-16-bytes.jar");
  session_.type(kCtrlD);
  EXPECT_EQ(session_.wait_exit(), 0) << session_.seen();
  EXPECT_TRUE(session_.seen().ends_with(shown("jar <tvf> <a-name-of-more-than-16-bytes.jar>\n\nDone viewing...\n\n") +
                                        shown(text::kMenu)))
      << session_.seen();
}

TEST_F(TerminalTest, CtrlCStopsTheCommandButNotJarmenu) {
  session_.type("3 slow.jar\r");
  ASSERT_TRUE(session_.wait_for("slow started")) << session_.seen();
  session_.mark();
  session_.type(kCtrlC);
  ASSERT_TRUE(session_.wait_for(shown("\nDone running...\n\n") + shown(text::kMenu))) << session_.seen();
  EXPECT_EQ(session_.seen().find("slow finished"), std::string::npos) << session_.seen();
  quit();
}

TEST_F(TerminalTest, CtrlBackslashReachesTheCommandAndTheMenuWaitsForItsEnd) {
  session_.type("3 quit.jar\r");
  ASSERT_TRUE(session_.wait_for("quit ready")) << session_.seen();
  session_.type(kCtrlBackslash);
  // The line typed now is the application's, which had the signal; the menu comes back after it.
  session_.type("typed\r");
  EXPECT_TRUE(session_.wait_for(shown("java read <typed> after SIGQUIT\n\nDone running...\n\n") + shown(text::kMenu)))
      << session_.seen();
  quit();
}

/// Terminals where jarmenu edits lines, and where it must not.
using Environment = std::vector<std::pair<std::string, std::string>>;
const Environment kEditing = {{"TERM", "xterm-256color"}, {"LC_ALL", "C.UTF-8"}};
const Environment kDumbTerminal = {{"TERM", "dumb"}, {"LC_ALL", "C.UTF-8"}};
const Environment kCLocale = {{"TERM", "xterm-256color"}, {"LC_ALL", "C"}};
const Environment kViKeys = {{"EDITRC", "vi.editrc"}, kEditing[0], kEditing[1]};

TEST(TerminalLines, AreEditedWhereTheyCanBeAndAnsweredWordByWord) {
  struct Step {
    std::string_view keys;
    std::string_view shows;  // what the screen must show after these keys
    bool to_application = false;  // typed at a command, not at jarmenu's editor
    std::chrono::milliseconds pause = {};  // before the next keys, as a slow link leaves them
  };
  struct Case {
    const char* why;
    Environment environment;
    std::vector<Step> steps;
    std::string_view start = "\"$JARMENU\"";
  } const cases[] = {
      {"Tab completes a unique name whole, and one space after it", kEditing,
       {{"1 it\t\x7fx\r", "jar <tvf> <it's&ok.jarx>\r\n"}}},
      {"and a directory with a /, to go on inside it", kEditing, {{"1 su\tin\t\r", "jar <tvf> <sub/inner.jar>\r\n"}}},
      {"the second Tab, not the first, lists the archives and directories, sorted in columns, and the line follows",
       kEditing,
       {{"2 sub/\t", "2 sub/\a"},
        {"\t", "\r\ndir2/       dir3/       inner.jar   other.jar\r\n\r\x1b[K2 sub/"},
        {"o\t\r", "jar <xvf> <sub/other.jar>\r\n"}}},
      {"a second Tab is the next key: after another key in between, Tab rings the bell again", kEditing,
       {{"2 sub/\t", "\a"}, {"x\x7f\t", "\a"}, {"\t", "\r\ndir2/ "}, {"\r", "jar <xvf> <sub/>\r\n"}}},
      {"after a lone directory is completed, the next Tab rings the bell", kEditing,
       {{"2 su\t", "2 sub/"}, {"\t", "\a"}, {"\t", "\r\ndir2/ "}, {"\r", "jar <xvf> <sub/>\r\n"}}},
      {"archives in any case and directories, sorted by name, not other files", kEditing,
       {{"1 x/x\t\t", "\r\nx.ZIP   x.dir/  x.ear   x.war\r\n"}, {"\r", "jar <tvf> <x/x.>\r\n"}}},
      {"a narrow window lists a name a line", kEditing,
       {{"2 sub/\t\t", "\r\ndir2/\r\ndir3/\r\ninner.jar\r\nother.jar\r\n"}, {"\r", "jar <xvf> <sub/>\r\n"}},
       "stty cols 10; \"$JARMENU\""},
      {"and a window of two columns exactly two names a line", kEditing,
       {{"2 sub/\t\t", "\r\ndir2/       dir3/\r\ninner.jar   other.jar\r\n"}, {"\r", "jar <xvf> <sub/>\r\n"}},
       "stty cols 24; \"$JARMENU\""},
      {"above 100 names the second Tab asks first, and a key but y lists nothing", kEditing,
       {{"1 many/f\t\t", "\r\nDisplay all 101 possibilities? (y or n)"}, {"n", "\r\n\r\x1b[K1 many/f"},
        {"000.jar\r", "jar <tvf> <many/f000.jar>\r\n"}}},
      {"and y lists them", kEditing,
       {{"1 many/f\t\t", "(y or n)"}, {"y", "f099.jar   f100.jar\r\n\r\x1b[K1 many/f"}, {"\r", "jar <tvf> <many/f>\r\n"}}},
      {"the word is what follows the last blank, a tab typed with Ctrl-V too", kEditing,
       {{"2 x 1\x16\tap\t\r", "jar <tvf> <app.jar>\r\n"}}},
      {"a name with white space or a byte that is no UTF-8 is not offered", kEditing,
       {{"1 v\t\r", "jar <tvf> <v2.jar>\r\n"}}},
      {"names that part inside a character are completed to just before it, and listed", kEditing,
       {{"1 ca\t", "1 caf"}, {"\t", "caf\xc3\xa8.jar   caf\xc3\xa9.jar\r\n"}, {"\xc3\xa9\t\r", "jar <tvf> <caf\xc3\xa9.jar>\r\n"}}},
      {"Tab takes an archive over other files", kEditing, {{"1 ap\t\r", "jar <tvf> <app.jar>\r\n"}}},
      {"in any case", kEditing, {{"1 LI\t\r", "jar <tvf> <LIB.JAR>\r\n"}}},
      {"and any file where no archive or directory matches", kEditing, {{"1 po\t\r", "jar <tvf> <pom.xml>\r\n"}}},
      {"a hidden name after a dot", kEditing, {{"1 sub/.\t\r", "jar <tvf> <sub/.hidden.jar>\r\n"}}},
      {"as far as the names agree", kEditing, {{"1 sub/d\tX\r", "jar <tvf> <sub/dirX>\r\n"}}},
      {"nothing to complete rings the bell and leaves the line", kEditing,
       {{"1 no/\t", "no/\a"}, {"\r", "jar <tvf> <no/>\r\n"}}},
      {"~/ is the home directory", {{"HOME", "sub"}, kEditing[0], kEditing[1]},
       {{"1 ~/in\t\r", "jar <tvf> <sub/inner.jar>\r\n"}, {"1 ~/dir2/d\t\r", "jar <tvf> <sub/dir2/deep.jar>\r\n"}}},
      {"and a directory below the working one its own", kEditing, {{"1 sub/dir2/d\t\r", "jar <tvf> <sub/dir2/deep.jar>\r\n"}}},
      {"Ctrl-D at the end of a line deletes nothing", kEditing, {{"1 x.jar\x04", "\a"}, {"\r", "jar <tvf> <x.jar>\r\n"}}},
      {"Up recalls the last line, and Ctrl-A and Ctrl-D edit it", kEditing,
       {{"1 a1.jar\r", "jar <tvf> <a1.jar>\r\n"}, {"\x1b[A\x01\x04" "2\r", "jar <xvf> <a1.jar>\r\n"}}},
      {"Up passes over a repeated line and over blank ones", kEditing,
       {{"1 a.jar\r", "jar <tvf> <a.jar>\r\n"}, {"1 b.jar\r", "jar <tvf> <b.jar>\r\n"},
        {"1 b.jar\r", "jar <tvf> <b.jar>\r\n"}, {"\r   \r\x1b[A\x1b[A\r", "jar <tvf> <a.jar>\r\n"}}},
      {"Left and Backspace edit, and no escape byte reaches the tool", kEditing,
       {{"1 x.jarr\x1b[D\x7f\r", "jar <tvf> <x.jar>\r\n"}}},
      {"Ctrl-R searches the lines typed before", kEditing,
       {{"1 a1.jar\r", "jar <tvf> <a1.jar>\r\n"}, {"2 b\r", "jar <xvf> <b>\r\n"}, {"\x12" "a1\r", "jar <tvf> <a1.jar>\r\n"}}},
      {"Home and Delete as tmux and the Linux console send them edit too", kEditing,
       {{"1 x.jar\x1b[1~\x1b[3~2\r", "jar <xvf> <x.jar>\r\n"}}},
      {"and so does End", kEditing, {{"x.jar\x1b[1~1 \x1b[4~y\r", "jar <tvf> <x.jary>\r\n"}}},
      {"EDITRC's file is read, and Tab still completes after it", {{"EDITRC", "editrc"}, kEditing[0], kEditing[1]},
       {{"x.jar\x14" "1 \r", "jar <tvf> <x.jar>\r\n"}, {"1 it\t\r", "jar <tvf> <it's&ok.jar>\r\n"}}},
      {"vi keys from it keep Esc as vi has it", kViKeys,
       {{"1 abcd.jar\x1bx\r", "jar <tvf> <abcd.ja>\r\n"}}},
      {"a key that does nothing here rings the bell, and no byte of it reaches the line", kEditing,
       {{"1 abcd.jar\x1b[5~\x1b[6~\x1b[2~\x1b[15~\x1b[1;2D\x1b[3;5~\x1bOP\x1b[Z\x1b[[A\x1b[2$\x1bO2Q", "\a"},
        {"X\r", "jar <tvf> <abcd.jarX>\r\n"}}},
      {"nor with vi keys, where typing goes on inserting", kViKeys,
       {{"1 abcd.jar\x1b[5~\x1b[6~\x1b[2~\x1b[15~\x1b[1;2D\x1b[3;5~\x1bOP\x1b[Z\x1b[[A\x1b[2$\x1bO2Q", "\a"},
        {"X\r", "jar <tvf> <abcd.jarX>\r\n"}}},
      {"Ctrl-Left and Ctrl-Right move a word", kEditing, {{"1 x.jar\x1b[1;5Dz\x1b[1;5Cy\r", "jar <tvf> <zx.jary>\r\n"}}},
      {"and so do Alt's, and rxvt's forms of both", kEditing,
       {{"1 x.jar\x1b[1;3Dz\x1b\x1b[Cy\x1bOdw\x1bOcv\x1b\x1b[Du\x1b[5Cq\r", "jar <tvf> <uwzx.jaryvq>\r\n"}}},
      {"with vi keys too", kViKeys, {{"1 x.jar\x1b[1;5Dz\x1b[1;3Cy\r", "jar <tvf> <zx.jary>\r\n"}}},
      {"vi's insert mode takes Home, End, the arrows and Delete, and goes on inserting", kViKeys,
       {{"x.jar\x1b[1~1 \x1bOFy\x1b[D\x1b[D\x1b[3~\x1b[Cz\x1bOD\x1b[3~q\r", "jar <tvf> <x.jayq>\r\n"}}},
      {"and Ctrl-R searches the lines typed before", kViKeys,
       {{"1 a1.jar\r", "jar <tvf> <a1.jar>\r\n"}, {"2 b\r", "jar <xvf> <b>\r\n"}, {"\x12" "a1\r", "jar <tvf> <a1.jar>\r\n"}}},
      {"a key split after its Esc, however slowly, puts nothing in the line with emacs keys", kEditing,
       {{"1 ab/cd.jar\x1b", "", false, 300ms}, {"[5~X\r", "jar <tvf> <ab/cd.jarX>\r\n"},
        {"1 ab/cd.jar\x1b", "", false, 100ms}, {"[1;5DX\r", "jar <tvf> <ab/Xcd.jar>\r\n"}}},
      {"nor one split inside, up to half a second, nor rxvt's Alt-Left split after its two Escs", kEditing,
       {{"1 ab/cd.jar\x1b[", "", false, 300ms}, {"5~X\r", "jar <tvf> <ab/cd.jarX>\r\n"},
        {"1 ab/cd.jar\x1b[1;", "", false, 100ms}, {"5DX\r", "jar <tvf> <ab/Xcd.jar>\r\n"},
        {"1 ab/cd.jar\x1b\x1b", "", false, 300ms}, {"[DX\r", "jar <tvf> <ab/Xcd.jar>\r\n"}}},
      {"nor with vi keys, after Esc [ or soon after Esc", kViKeys,
       {{"1 ab/cd.jar\x1b[", "", false, 300ms}, {"5~X\r", "jar <tvf> <ab/cd.jarX>\r\n"},
        {"1 ab/cd.jar\x1b[1;", "", false, 100ms}, {"5DX\r", "jar <tvf> <ab/Xcd.jar>\r\n"},
        {"1 ab/cd.jar\x1b", "", false, 40ms}, {"[1;5DX\r", "jar <tvf> <ab/Xcd.jar>\r\n"}}},
      {"while an Esc that nothing follows soon is vi's, and x after it deletes", kViKeys,
       {{"1 abcd.jar\x1b", "", false, 300ms}, {"x\r", "jar <tvf> <abcd.ja>\r\n"}}},
      {"8-bit CSI and SS3 are Esc [ and Esc O, a mouse report rings, and U+0085 is no key", kEditing,
       {{"1 ab/cd.jar\xc2\x9b" "DX\xc2\x8fPY\x1b[M !!Z\xc2\x85W\r", "jar <tvf> <ab/cd.jaXYZWr>\r\n"}}},
      {"with vi keys too, where the tail of one would be commands", kViKeys,
       {{"1 ab/cd.jar\xc2\x9b" "DX\xc2\x8fPY\x1b[M !!Z\r", "jar <tvf> <ab/cd.jaXYZr>\r\n"}}},
      {"Esc and b move a word with emacs keys, as macOS's Terminal sends Option-Left", kEditing,
       {{"1 ab/cd.jar\x1b" "bX\r", "jar <tvf> <ab/Xcd.jar>\r\n"}}},
      {"a sequence broken off keeps its odd byte: Backspace still erases", kEditing,
       {{"1 ab/cd.jar\x1b[1;\x7f\r", "jar <tvf> <ab/cd.ja>\r\n"}}},
      {"Left, Right, and Down back to the line being typed", kEditing,
       {{"1 abc.jar\x1b[D\x1b[DX\x1b[CY\r", "jar <tvf> <abc.jXaYr>\r\n"},
        {"2 q\x1b[A\x1b[B.jar\r", "jar <xvf> <q.jar>\r\n"}}},
      {"vi's command mode: Tab completes, and goes on in insert mode", kViKeys,
       {{"1 ap\x1b\t\r", "jar <tvf> <app.jar>\r\n"}, {"1 su\x1b\tin\t\r", "jar <tvf> <sub/inner.jar>\r\n"}}},
      {"Ctrl-D deletes under the cursor, and on an empty line ends the input", kViKeys,
       {{"1 abcd.jar\x1bhh\x04\r", "jar <tvf> <abcd.ar>\r\n"}, {"1\r", "(Example: Example.jar)\r\n"},
        {"\x1b\x04", "jar <tvf>\r\n\r\nDone viewing...\r\n"}}},
      {"Ctrl-R searches back, the letters typed being the search", kViKeys,
       {{"1 app.jar\r", "jar <tvf> <app.jar>\r\n"}, {"2 b\r", "jar <xvf> <b>\r\n"},
        {"\x1b\x12" "ap\r", "jar <tvf> <app.jar>\r\n"}}},
      // An Esc and a sequence typed at once are Alt and the key, as rxvt sends them: a pause parts them.
      {"^H and the arrows move, and leave it in command mode", kViKeys,
       {{"1 abcd.jar\x1b\x08\x08x\r", "jar <tvf> <abcd.ar>\r\n"}}},
      {"and so do the arrows", kViKeys,
       {
        {"1 abcd.jar\x1b", "", false, 300ms}, {"\x1b[D\x1b[Dx\x1b[Cx\r", "jar <tvf> <abcd.a>\r\n"},
        {"2 q\x1b", "", false, 300ms}, {"\x1b[A\x1b[BA.jar\r", "jar <xvf> <q.jar>\r\n"}}},
      {"and so do Home, End, Delete and the Ctrl-arrows", kViKeys,
       {{"a1 abcd.jar\x1b", "", false, 300ms}, {"\x1b[Hx\x1b[Fx\x1b[1;5Dx\x1b[3~\r", "jar <tvf> <cd.ja>\r\n"},
        {"1 x.jar\x1b", "", false, 300ms}, {"0\x1b[1;5Cx\r", "jar <tvf> <x.jar>\r\n"}}},
      {"insert mode: Up leaves the cursor at the end, and Down back where it was", kViKeys,
       {{"1 alpha.jar\r", "jar <tvf> <alpha.jar>\r\n"}, {"\x1b[AZ\r", "jar <tvf> <alpha.jarZ>\r\n"},
        {"2 bc\x1b[D\x1b[A\x1b[BZ\r", "jar <xvf> <bZc>\r\n"}}},
      {"and Delete at the end deletes nothing", kViKeys, {{"1 abcd.jar\x1b[3~X\r", "jar <tvf> <abcd.jarX>\r\n"}}},
      {"Tab as the very first key rings the bell, and lists nothing", kEditing,
       {{"\t", "\a"}, {"1 ap\t\r", "jar <tvf> <app.jar>\r\n"}}},
      {"exactly 100 names are listed at once", kEditing,
       {{"1 many/f0\t\t", "f098.jar   f099.jar\r\n\r\x1b[K1 many/f0"}, {"\r", "jar <tvf> <many/f0>\r\n"}}},
      {"above 100, Y lists them too", kEditing,
       {{"1 many/f\t\t", "(y or n)"}, {"Y", "f099.jar   f100.jar\r\n\r\x1b[K1 many/f"}, {"\r", "jar <tvf> <many/f>\r\n"}}},
      {"and Space answers no, and is not typed", kEditing,
       {{"1 many/f\t\t", "(y or n)"}, {" ", "\r\n\r\x1b[K1 many/f"}, {"000.jar\r", "jar <tvf> <many/f000.jar>\r\n"}}},
      {"a UTF-8 name reaches the tool exactly", kEditing,
       {{"1 \xe6\x97\xa5\xe6\x9c\xac.jar\r", "jar <tvf> <\xe6\x97\xa5\xe6\x9c\xac.jar>\r\n"}}},
      {"the rest of the line answers the menu, not the application", kEditing,
       {{"3 reader.jar 1 b.jar\r", "java <-jar> <reader.jar>\r\n"},
        {"answex\x7fr\r", "java read <answer>\r\n", true},
        {"", "jar <tvf> <b.jar>\r\n"}}},
      {"without editing too, each application gets a line of its own", {},
       {{"3 reader.jar 3 reader.jar\r", "java <-jar> <reader.jar>\r\n"},
        {"one\r", "java read <one>\r\n"},
        {"two\r", "java read <two>\r\n"}}},
      {"a dumb terminal does not edit: Tab is white space", kDumbTerminal, {{"1 it\t\r", "jar <tvf> <it>\r\n"}}},
      {"nor does an empty TERM", {{"TERM", ""}, kEditing[1]}, {{"1 it\t\r", "jar <tvf> <it>\r\n"}}},
      {"nor the C locale, which keeps every byte of a Latin-1 name", kCLocale,
       {{"1 it\t\r", "jar <tvf> <it>\r\n"}, {"1\r", "(Example: Example.jar)\r\n"},
        {"\xff\xe9t\xe9\xff.jar\r", "jar <tvf> <\xff\xe9t\xe9\xff.jar>\r\n"}}},
      {"nor a terminal whose output is piped, which still reads the line whole and every byte of it", kEditing,
       {{"3 reader.jar 1 \xe9.jar\r", "java <-jar> <reader.jar>\r\n"},
        {"one\r", "java read <one>\r\n", true},
        {"", "jar <tvf> <\xe9.jar>\r\n"}},
       "\"$JARMENU\" | cat"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const char* directory : {"sub/dir2", "sub/dir3", "x/x.dir", "many"})
      std::filesystem::create_directories(dir.path() / directory);
    for (const char* file : {"it's&ok.jar", "app.jar", "app.java", "app-notes.txt", "pom.xml", "LIB.JAR", "LIB.txt",
                             "sub/inner.jar", "sub/other.jar", "sub/.hidden.jar", "sub/notes.txt", "sub/dir2/deep.jar",
                             "x/x.ZIP", "x/x.ear", "x/x.war", "x/x.txt", "x/xjar", "x/xy", "v2 2 app.jar", "v\t.jar",
                             "v\xff.jar", "v\n.jar", "v\x80.jar", "v\xc0\xae.jar", "v\xed\xa0\x80.jar",
                             "v\xf4\x90\x80\x80.jar", "v2.jar", "caf\xc3\xa9.jar", "caf\xc3\xa8.jar"})
      std::ofstream(dir.path() / file);
    for (int i = 0; i <= 100; ++i) std::ofstream(dir.path() / "many" / ("f" + std::to_string(1000 + i).substr(1) + ".jar"));
    std::ofstream(dir.path() / "editrc") << "bind -e\nbind ^T ed-move-to-beg\n";
    std::ofstream(dir.path() / "vi.editrc") << "bind -v\n";
    PtySession session({dir.path(), c.environment, Tools::kFake, false, std::string(c.start)});
    ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << c.why << ":\n" << session.seen();
    const auto has = [&](const auto& setting) { return std::ranges::find(c.environment, setting) != c.environment.end(); };
    const bool edits = has(kEditing[0]) && has(kEditing[1]) && c.start.find('|') == std::string_view::npos;
    for (const Step& step : c.steps) {
      // A person types once the editor has the terminal; keys typed before reach the kernel's own.
      if (edits && !step.keys.empty() && !step.to_application) {
        ASSERT_TRUE(session.wait_for_mode(false)) << c.why;
      }
      if (!step.keys.empty()) session.mark();
      session.type(step.keys);
      std::this_thread::sleep_for(step.pause);
      EXPECT_TRUE(session.wait_for(step.shows)) << c.why << ": no " << step.shows << " in:\n" << session.seen();
    }
    session.type("4\r");
    EXPECT_EQ(session.wait_exit(), 0) << c.why << ":\n" << session.seen();
  }
}

TEST(TerminalLines, LookAsTheyDoWithoutEditingWhenTypedPlainlyAndCtrlDShowsNothing) {
  std::string screens[2];
  for (const bool editing : {true, false}) {
    TempDir dir;
    PtySession session({dir.path(), editing ? kEditing : Environment{}});
    for (const std::string_view keys : {"1 x.jar\r", "\x04"}) {
      ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << session.seen();
      if (editing) {
        ASSERT_TRUE(session.wait_for_mode(false));
      }
      screens[editing] += session.seen();
      session.mark();
      session.type(keys);
    }
    EXPECT_EQ(session.wait_exit(), 0);
    screens[editing] += session.seen();
  }
  EXPECT_EQ(screens[true], screens[false]);
}

TEST(TerminalHandoff, LeavesTheNextReaderOnlyTheLinesTypedAfterTheLastAnswer) {
  // The shell that started jarmenu, standing in as the next reader of the terminal.
  constexpr const char* kThenRead = "; echo \"[ended $?]\"; IFS= read -r rest; printf '[%s]\\n' \"$rest\"";
  struct Case {
    const char* why;
    std::string_view keys;
    std::string_view left;  // the line the next reader gets; "" when it must wait for a new one
    std::string_view start = "\"$JARMENU\"";
    Environment environment = {};
  } const cases[] = {
      {"the rest of the line that quits is dropped", "4 echo LEAKED\r", ""},
      {"so is the rest of a word at the menu", "quit\r", ""},
      {"and of an arrow key", "\x1b[A\r", ""},
      {"and of the line after an action's name", "1 a.jar xecho LEAKED\r", ""},
      {"a line typed ahead after 4 and Enter stays", "4\rls\r", "ls"},
      {"a line ended by Ctrl-D is dropped without waiting for more", "4 abc\x04", ""},
      {"a line typed ahead after one ended by Ctrl-D stays", "4 abc\x04ls\r", "ls"},
      {"a line typed ahead after Ctrl-D at the menu stays", "\x04ls\r", "ls"},
      {"a line typed ahead after the rest of the quitting line stays", "4 abc\rls\r", "ls"},
      {"the rest is dropped with the output on a pipe too", "4 echo LEAKED\r", "", "\"$JARMENU\" | cat"},
      {"a terminal out of line mode loses only the rest of the line", "4 abc\rls\r", "ls",
       "stty -icanon; \"$JARMENU\""},
      {"and jarmenu waits for nothing there when the line is not ended", "4 abc", "", "stty -icanon; \"$JARMENU\""},
      {"a read error at the terminal ends jarmenu as the end of input does", "", "",
       "set -m; trap '' TTIN; \"$JARMENU\" & wait $!"},
      {"with editing, the rest of the quitting line is dropped", "4 echo LEAKED\r", "", "\"$JARMENU\"", kEditing},
      {"with editing, a line typed ahead after 4 stays", "4\rls\r", "ls", "\"$JARMENU\"", kEditing},
      {"with editing, Ctrl-D on an empty line ends, and the line typed after it stays", "\x04ls\r", "ls",
       "\"$JARMENU\"", kEditing},
  };
  for (const Case& c : cases) {
    TempDir dir;
    PtySession session({dir.path(), c.environment, Tools::kFake, false, std::string(c.start) + kThenRead});
    ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << session.seen();
    if (!c.environment.empty()) {
      ASSERT_TRUE(session.wait_for_mode(false)) << c.why << ": no editor";
    }
    session.type(c.keys);
    ASSERT_TRUE(session.wait_for("[ended 0]\r\n")) << c.why << ":\n" << session.seen();
    if (c.left.empty()) session.type("next\r");
    EXPECT_EQ(session.wait_exit(), 0) << c.why;
    const std::string line = c.left.empty() ? "next" : std::string(c.left);
    EXPECT_NE(session.seen().find("[" + line + "]\r\n"), std::string::npos) << c.why << ":\n" << session.seen();
  }
}

TEST(TerminalModes, AreAsTheyWereAfterCtrlCEndsJarmenuAtEitherPrompt) {
  // The shell survives the Ctrl-C that ends jarmenu, and compares the modes before and after.
  constexpr const char* kCompareModes =
      "stty -g >before; trap : INT; \"$JARMENU\"; echo \"[ended $?]\"; "
      "stty -g | cmp -s before - && echo '[modes kept]'";
  struct Case {
    const char* why;
    std::string_view keys;  // typed once the menu is shown; Ctrl-C follows
    Environment environment;
  } const cases[] = {
      {"at the menu, while editing", "1 ab", kEditing},
      {"at the name prompt, while editing", "1\rab", kEditing},
      {"at the menu, without editing", "1 ab", {}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    PtySession session({dir.path(), c.environment, Tools::kFake, false, kCompareModes});
    ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << c.why << ":\n" << session.seen();
    if (!c.environment.empty()) {
      ASSERT_TRUE(session.wait_for_mode(false)) << c.why;
    }
    session.type(c.keys);
    if (c.keys.find('\r') != std::string_view::npos) {
      ASSERT_TRUE(session.wait_for(shown(text::kExample))) << c.why;
    }
    if (!c.environment.empty()) {
      ASSERT_TRUE(session.wait_for_mode(false)) << c.why;
    }
    // Ctrl-C once the typed line is shown, as a person sees it before pressing it.
    ASSERT_TRUE(session.wait_for("ab")) << c.why << ":\n" << session.seen();
    session.type(kCtrlC);
    EXPECT_TRUE(session.wait_for("[ended 130]\r\n[modes kept]\r\n")) << c.why << ":\n" << session.seen();
    session.wait_exit();
  }
}

TEST(TerminalModes, AreTheEditorsAgainAfterEachCtrlZAndTheLineIsKept) {
  TempDir dir;
  PtySession session({dir.path(), kEditing, Tools::kFake, false,
                      "set -m; \"$JARMENU\"; echo '[stopped]'; fg; echo '[stopped]'; fg"});
  ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << session.seen();
  for (const std::string_view typed : {"1 ab", "c"}) {
    ASSERT_TRUE(session.wait_for_mode(false));
    session.mark();
    session.type(typed);
    // Ctrl-Z flushes what the editor has not read yet.
    ASSERT_TRUE(session.wait_for(typed)) << session.seen();
    session.type("\x1a");
    ASSERT_TRUE(session.wait_for("[stopped]\r\n")) << session.seen();
  }
  ASSERT_TRUE(session.wait_for_mode(false));
  session.type("d.jar\r");
  EXPECT_TRUE(session.wait_for(shown("jar <tvf> <abcd.jar>\n"))) << session.seen();
  session.type("4\r");
  EXPECT_EQ(session.wait_exit(), 0) << session.seen();
}

#ifdef ECHO_JAR
TEST(RealApplicationOnATerminal, ConversesOnTheSameTerminalAndTheMenuComesBack) {
  TempDir dir;
  std::filesystem::copy_file(ECHO_JAR, dir.path() / "echo.jar");
  PtySession session({dir.path(), {}, Tools::kReal});
  ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << session.seen();
  session.type("3 echo.jar\r");
  ASSERT_TRUE(session.wait_for("Say something:\r\n")) << session.seen();
  session.type("hi there\r");
  EXPECT_TRUE(session.wait_for(shown("You said: hi there\n\nDone running...\n\n") + shown(text::kMenu)))
      << session.seen();
  session.type("4\r");
  EXPECT_EQ(session.wait_exit(), 0) << session.seen();
}
#else
TEST(RealApplicationOnATerminal, ConversesOnTheSameTerminalAndTheMenuComesBack) {
  GTEST_SKIP() << "no JDK was found when the build was configured";
}
#endif

}  // namespace
}  // namespace jarmenu::test
