// The built jarmenu on a pseudo-terminal, where people meet it.
#include <gtest/gtest.h>

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
  // The typed line is read whole, and the end of input follows a line that Ctrl-D ended.
  session_.type("x.jar");
  session_.type(kCtrlD);
  EXPECT_EQ(session_.wait_exit(), 0) << session_.seen();
  EXPECT_TRUE(session_.seen().ends_with(shown("jar <tvf> <x.jar>\n\nDone viewing...\n\n") + shown(text::kMenu)))
      << session_.seen();
}

TEST_F(TerminalTest, CtrlCStopsTheCommandButNotJarmenu) {
  session_.type("3 slow.jar\r");
  ASSERT_TRUE(session_.wait_for("slow started")) << session_.seen();
  session_.mark();
  session_.type(kCtrlC);
  ASSERT_TRUE(session_.wait_for(shown("\nDone running...\n\n") + shown(text::kMenu), 5s)) << session_.seen();
  EXPECT_EQ(session_.seen().find("slow finished"), std::string::npos) << session_.seen();
  quit();
}

TEST_F(TerminalTest, CtrlBackslashReachesTheCommandAndTheMenuWaitsForItsEnd) {
  session_.type("3 quit.jar\r");
  ASSERT_TRUE(session_.wait_for("quit ready")) << session_.seen();
  session_.type(kCtrlBackslash);
  ASSERT_TRUE(session_.wait_for("quit caught", 5s)) << session_.seen();
  session_.collect_for(300ms);
  EXPECT_EQ(session_.seen().find("Done running"), std::string::npos) << "the menu came back too soon:\n"
                                                                      << session_.seen();
  // The line typed now is the application's, not the menu's.
  session_.type("typed\r");
  EXPECT_TRUE(session_.wait_for(shown("java read <typed>\n\nDone running...\n\n") + shown(text::kMenu)))
      << session_.seen();
  quit();
}

TEST(TerminalHandoff, LeavesTheNextReaderOnlyTheLinesTypedAfterTheLastAnswer) {
  // The shell that started jarmenu, standing in as the next reader of the terminal.
  constexpr const char* kThenRead = "; echo \"[ended $?]\"; IFS= read -r rest; printf '[%s]\\n' \"$rest\"";
  struct Case {
    const char* why;
    std::string_view keys;
    std::string_view left;  // the line the next reader gets; "" when it must wait for a new one
    std::string_view start = "\"$JARMENU\"";
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
  };
  for (const Case& c : cases) {
    TempDir dir;
    PtySession session({dir.path(), {}, Tools::kFake, false, std::string(c.start) + kThenRead});
    ASSERT_TRUE(session.wait_for(shown(text::kMenu))) << session.seen();
    session.type(c.keys);
    ASSERT_TRUE(session.wait_for("[ended 0]\r\n", 5s)) << c.why << ":\n" << session.seen();
    if (c.left.empty()) session.type("next\r");
    EXPECT_EQ(session.wait_exit(), 0) << c.why;
    const std::string line = c.left.empty() ? "next" : std::string(c.left);
    EXPECT_NE(session.seen().find("[" + line + "]\r\n"), std::string::npos) << c.why << ":\n" << session.seen();
  }
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
