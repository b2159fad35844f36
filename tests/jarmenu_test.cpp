// The built jarmenu on pipes and files, with stand-in jar and java first on PATH; or jarmenu.exe under
// Wine, where the program's line feeds are CR LF (see support.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include "support.h"

namespace jarmenu::test {
namespace {

using text::kExample;
using text::kExtractPrompt;
using text::kMenu;
using text::kViewPrompt;

/// One action's output on a pipe: the command's own output lands before the
/// blank line written just ahead of it, which waits in the buffer until the next read.
std::string action(std::string_view prompt, std::string_view tool_output, std::string_view done) {
  return native_lines(std::string(prompt) + std::string(kExample) + std::string(tool_output) + "\n\n" +
                      std::string(done) + "\n");
}
std::string view(std::string_view tool_output) { return action(kViewPrompt, tool_output, "Done viewing...\n"); }
std::string extract(std::string_view tool_output) {
  return action(kExtractPrompt, tool_output, "Done extracting...\n");
}
std::string run(std::string_view tool_output) { return action(kExtractPrompt, tool_output, "Done running...\n"); }

std::string menu() { return native_lines(kMenu); }

/// Scripts that run jarmenu, say how it ended and, in kThenRead, read one more line as a shell would.
constexpr const char* kInputClosed = "\"$JARMENU\" <&-; echo \"[ended $?]\"";
constexpr const char* kInputADirectory = "\"$JARMENU\" </; echo \"[ended $?]\"";
constexpr const char* kThenRead = "\"$JARMENU\"; echo \"[ended $?]\"; IFS= read -r rest; printf '[%s]\\n' \"$rest\"";
/// Scripts that give jarmenu a file for its output, or its input, and then show the file.
constexpr const char* kOutputToAFile = "\"$JARMENU\" >out; cat out";
constexpr const char* kInputFromAFile = "cat >in; \"$JARMENU\" <in";

TEST(Jarmenu, WritesExactlyTheseBytesOnAPipe) {
  struct Case {
    const char* why;
    std::string input;
    std::string expected;
    const char* script = "";
  } const cases[] = {
      {"4 quits at once", "4\n", menu()},
      {"empty input ends as 4 does", "", menu()},
      {"junk at the menu ends it silently", "quit\n1\n", menu()},
      {"0 ends it", "0\n", menu()},
      {"5 ends it", "5\n", menu()},
      {"-1 ends it", "-1\n", menu()},
      {"2^32 + 4 ends it", "4294967300\n", menu()},
      {"view", "1\nx.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"extract", "2\nx.jar\n4\n", menu() + extract("jar <xvf> <x.jar>\n") + menu()},
      {"run", "3\nx.jar\n4\n", menu() + run("java <-jar> <x.jar>\n") + menu()},
      {"01 is View", "01\nx.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"+ 2 is Extract", "+ 2\nx.jar\n4\n", menu() + extract("jar <xvf> <x.jar>\n") + menu()},
      {"2^32 + 1 is View", "4294967297\nx.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"Enter alone keeps waiting at both reads", "\n\n1\n\n\nx.jar\n\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"the name on the choice's line", "1 x.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"the name right after the digits", "1x.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu()},
      {"a second word is the next choice", "1 a.jar b.jar\n", menu() + view("jar <tvf> <a.jar>\n") + menu()},
      {"end of input at the name runs the bare prefix", "1", menu() + view("jar <tvf>\n") + menu()},
      {"end of input after the name ends the program", "2 x.jar", menu() + extract("jar <xvf> <x.jar>\n") + menu()},
      {"a zero byte ends the name", std::string("1 a\0b.jar\n4\n", 12), menu() + view("jar <tvf> <a>\n") + menu()},
      {"0x1A is a byte like any other, not the end", "1 a\x1a" "b.jar\n4\n", menu() + view("jar <tvf> <a\x1a" "b.jar>\n") + menu()},
      {"actions repeat, each followed by the whole menu", "1 a\n2 b\n3 c\n4\n",
       menu() + view("jar <tvf> <a>\n") + menu() + extract("jar <xvf> <b>\n") + menu() +
           run("java <-jar> <c>\n") + menu()},
      {"a closed standard input ends it at once", "", menu() + "[ended 0]\n", kInputClosed},
      {"so does one whose reads fail", "", menu() + "[ended 0]\n", kInputADirectory},
      {"on a pipe the rest after 4 is the next reader's", "4 echo kept\nmore\n", menu() + "[ended 0]\n[echo kept]\n",
       kThenRead},
      {"the same bytes go to a file", "1\nx.jar\n4\n", menu() + view("jar <tvf> <x.jar>\n") + menu(), kOutputToAFile},
      {"and come from one, to its end", "2 x.jar\n3 y", menu() + extract("jar <xvf> <x.jar>\n") + menu() +
                                                         run("java <-jar> <y>\n") + menu(), kInputFromAFile},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const RunResult result = run_on_pipes({dir.path(), {}, Tools::kFake, false, c.script}, c.input, false, 10s);
    EXPECT_EQ(result.output, c.expected) << c.why;
    EXPECT_EQ(result.exit_status, 0) << c.why;
  }
}

TEST(Jarmenu, HandsTheToolTheNameLiterallyAndRunsNothingElse) {
  struct Case {
    std::string_view name;
    std::string_view argument;  // what the tool receives; $HOME stands for the home directory
    std::string_view on_windows = {};  // what jar.exe receives, if not the name itself
  } const cases[] = {
      {"x.jar;touch${IFS}pwned", "x.jar;touch${IFS}pwned"},
      {"$(touch${IFS}pwned).jar", "$(touch${IFS}pwned).jar"},
      {"`touch${IFS}pwned`.jar", "`touch${IFS}pwned`.jar"},
      {"a|touch${IFS}pwned", "a|touch${IFS}pwned"},
      {"x>pwned", "x>pwned"},
      {"it's&ok.jar", "it's&ok.jar"},
      {"\"quoted\".jar", "\"quoted\".jar"},
      {"*.jar", "*.jar"},
      {"%PATH%.jar", "%PATH%.jar"},
      {"100%.jar", "100%.jar"},
      {"a&b|c^d!e(f)g.jar", "a&b|c^d!e(f)g.jar"},
      {"dir\\", "dir\\"},
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar"},
      {"\xc3\xa9.jar", "\xc3\xa9.jar"},
      // Not UTF-8: on Windows read in the ANSI code page, Windows-1252 under Wine.
      {"\xe9t\xe9.jar", "\xe9t\xe9.jar", "\xc3\xa9t\xc3\xa9.jar"},
      {"~/apps/x.jar", "$HOME/apps/x.jar", "~/apps/x.jar"},
      {"~/it's.jar", "$HOME/it's.jar", "~/it's.jar"},
      {"-x.jar", "./-x.jar", ".\\-x.jar"},
      {"@x.jar", "./@x.jar", ".\\@x.jar"},
      {"--help", "./--help", ".\\--help"},
      {"-", "./-", ".\\-"},
      {"@", "./@", ".\\@"},
      {"-it's.jar", "./-it's.jar", ".\\-it's.jar"},
      {"~/-x.jar", "$HOME/-x.jar", "~/-x.jar"},
      {"x-@.jar", "x-@.jar"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    TempDir home;
    std::ofstream(dir.path() / "present.jar") << "a file for the glob to find";
    // Tools planted where Extract writes: a shell or Windows' own lookup would run them first.
    for (const char* planted : {"jar", "jar.exe"}) std::filesystem::copy_file(fake_jar(), dir.path() / planted);
    for (const char* planted : {"jar.bat", "jar.cmd"}) std::ofstream(dir.path() / planted) << "echo pwned> pwned\r\n";
    const RunResult result =
        run_on_pipes({dir.path(), {{"HOME", home.path().string()}}}, "1 " + std::string(c.name) + "\n4\n");
    std::string argument(on_windows() ? (c.on_windows.empty() ? c.name : c.on_windows) : c.argument);
    if (argument.starts_with("$HOME")) argument.replace(0, 5, home.path().string());
    EXPECT_EQ(result.output, menu() + view("jar <tvf> <" + argument + ">\n") + menu()) << c.name;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "pwned")) << c.name << " ran as shell syntax";
  }
}

TEST(Jarmenu, FindsEachToolOnPathThenInJavaHomeThenTheRegisteredJdkThenThroughJava) {
  const std::string exe = on_windows() ? ".exe" : "";
  // Tools in a directory of their own, or below the working directory (~/), where any that runs
  // marks it; {tools} and {cwd} name the two.
  const TempDir tools;
  const auto expand = [&](std::string text, const std::filesystem::path& cwd) {
    bool names_a_place = false;
    for (const auto& [mark, place] : {std::pair{"{tools}", tools.path()}, std::pair{"{cwd}", cwd}}) {
      for (std::size_t at; (at = text.find(mark)) != std::string::npos; names_a_place = true)
        text.replace(at, std::string_view(mark).size(), (on_windows() ? "Z:" : "") + place.string());
    }
    // A text that names a place has no other slash; the jar tool's module name keeps its own.
    if (on_windows() && names_a_place) std::replace(text.begin(), text.end(), '/', '\\');
    return text;
  };
  const std::string jar_tool = "java <-m> <jdk.jartool/sun.tools.jar.Main> <tvf> <x.jar>\n";
  const std::string jar = "jar <tvf> <x.jar>\n", java = "java <-jar> <y.jar>\n";
  const std::string relative = " (not an absolute path, so not searched)";
  struct Case {
    const char* why;
    std::vector<std::string> planted;  // stand-ins, and release files (NAME=MODULES)
    std::string path;                  // PATH
    std::optional<std::string> java_home;
    std::string view, run;             // what View and Run show; {tools} and {cwd} as above
    std::string registered = {};       // Windows: the JavaHome its installers register
    bool windows_only = false;
  } const cases[] = {
      {"a java alone on PATH: View goes through its runtime's jar tool, Run runs it",
       {"rt/bin/java", "rt/release=java.base jdk.jartool"}, "{tools}/rt/bin", {}, jar_tool, java},
      {"unless its runtime's release file lists no jar tool", {"rt/bin/java", "rt/release=java.base java.logging"},
       "{tools}/rt/bin", {},
       tool_not_found("jar", "", ", and the runtime of {tools}/rt/bin/java" + exe + " has no jar tool"),
       java},
      {"JAVA_HOME alone, with a trailing separator", {"home/bin/jar", "home/bin/java"}, "{tools}/none",
       "{tools}/home/", jar, java},
      {"JAVA_HOME with a space in it", {"my jdk/bin/jar", "my jdk/bin/java"}, "{tools}/none", "{tools}/my jdk", jar,
       java},
      {"the tools on PATH come first, and JAVA_HOME's never start", {"bin/jar", "bin/java", "~/home/bin/jar",
       "~/home/bin/java"}, "{tools}/bin", "{cwd}/home", jar, java},
      {"JAVA_HOME's jar comes before the jar tool of the java on PATH", {"bin/java", "home/bin/jar"}, "{tools}/bin",
       "{tools}/home", jar, java},
      {"a relative JAVA_HOME is never searched, though it names tools below the working directory",
       {"~/jdk/bin/jar", "~/jdk/bin/java"}, "{tools}/none", "jdk", tool_not_found("jar", relative),
       tool_not_found("java", relative)},
      {"nothing anywhere: a line that says what to do, and the action goes on", {}, "{tools}/none", {},
       tool_not_found("jar"), tool_not_found("java")},
      {"a JAVA_HOME in quotes", {"home/bin/jar", "home/bin/java"}, "{tools}/none", "\"{tools}/home/\"", jar, java, "",
       true},
      {"Oracle's installer: java.exe alone on PATH, jar.exe in the JDK it registers", {"javapath/java", "jdk/bin/jar"},
       "{tools}/javapath", {}, jar, java, "{tools}/jdk", true},
      {"the registered JDK's java.exe, where it has no jar.exe", {"jdk/bin/java"}, "{tools}/none", {}, jar_tool, java,
       "{tools}/jdk", true},
      {"JAVA_HOME comes before the registered JDK",
       {"home/bin/jar", "home/bin/java", "~/jdk/bin/jar", "~/jdk/bin/java"},
       "{tools}/none", "{tools}/home", jar, java, "{cwd}/jdk", true},
  };
  // Wine's reg adds the keys that Oracle's installer writes, and takes them away again.
  const std::string registering =
      "wine reg add 'HKLM\\SOFTWARE\\JavaSoft\\JDK' /v CurrentVersion /d 21 /f >/dev/null 2>&1 && "
      "wine reg add 'HKLM\\SOFTWARE\\JavaSoft\\JDK\\21' /v JavaHome /d \"$REGISTERED\" /f >/dev/null 2>&1; "
      "\"$JARMENU\"; wine reg delete 'HKLM\\SOFTWARE\\JavaSoft' /f >/dev/null 2>&1";
  for (const Case& c : cases) {
    if (c.windows_only && !on_windows()) continue;
    TempDir dir;
    std::filesystem::remove_all(tools.path());
    for (const std::string& planted : c.planted) {
      const bool below_cwd = planted.starts_with("~/");
      const std::filesystem::path file = (below_cwd ? dir.path() : tools.path()) / planted.substr(below_cwd ? 2 : 0);
      std::filesystem::create_directories(file.parent_path());
      if (const std::size_t equals = planted.find('='); equals != std::string::npos) {
        std::ofstream(file.parent_path() / "release") << "JAVA_VERSION=\"21\"\nMODULES=\"" << planted.substr(equals + 1)
                                                       << "\"\n";
      } else {
        std::filesystem::copy_file(fake_jar(), file.string() + exe);
      }
    }
    Launch launch{dir.path(), {{on_windows() ? "WINEPATH" : "PATH", expand(c.path, dir.path())}}, Tools::kFake, true};
    if (c.java_home) launch.environment.emplace_back("JAVA_HOME", expand(*c.java_home, dir.path()));
    if (!c.registered.empty()) {
      launch.environment.emplace_back("REGISTERED", expand(c.registered, dir.path()));
      launch.shell_script = registering;
    }
    const RunResult result = run_on_pipes(launch, "1 x.jar\n3 y.jar\n4\n");
    const std::string expected = view(expand(c.view, dir.path())) + menu() + run(expand(c.run, dir.path()));
    EXPECT_EQ(result.output, menu() + expected + menu()) << c.why;
    EXPECT_EQ(result.exit_status, 0) << c.why;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "pwned")) << c.why << ": a tool below the working directory ran";
  }
}

TEST(Jarmenu, KeepsStandardErrorApartFromTheOutputAScriptReads) {
  TempDir not_a_program;
  std::ofstream(not_a_program.path() / "jar.exe") << "not a program";
  struct Case {
    const char* why;
    std::string_view name;
    Launch launch;
    std::string_view tool_output;
    std::string errors;
    bool windows_only = false;
  } const cases[] = {
      {"a tool's own message stays on standard error", "error.jar", {}, "jar <tvf> <error.jar>\n",
       "jar: cannot open error.jar\n"},
      {"a successful action writes nothing there", "x.jar", {}, "jar <tvf> <x.jar>\n", ""},
      {"nor does jarmenu itself, when no tool is found", "x.jar", {{}, {}, Tools::kNone}, "", tool_not_found("jar")},
      {"a jar.exe that is not a program cannot be started", "x.jar",
       {{}, {{"WINEPATH", native_path(not_a_program.path())}}}, "", "jarmenu: jar.exe: cannot be started\n", true},
  };
  for (Case c : cases) {
    if (c.windows_only && !on_windows()) continue;
    TempDir dir;
    c.launch.directory = dir.path();
    const RunResult result = run_on_pipes(c.launch, "1 " + std::string(c.name) + "\n4\n");
    EXPECT_EQ(result.output, menu() + view(c.tool_output) + menu()) << c.why;
    EXPECT_EQ(result.errors, native_lines(c.errors)) << c.why;
  }
}

TEST(Jarmenu, FindsAWindowsToolOnlyInTheAbsoluteDirectoriesOfPath) {
  if (!on_windows()) GTEST_SKIP() << "the shell looks up the tools on POSIX systems";
  const std::string tools = native_path(fake_jar().parent_path());
  TempDir read_only;
  std::filesystem::copy_file(fake_jar(), read_only.path() / "jar.exe");
  std::filesystem::permissions(read_only.path() / "jar.exe", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  TempDir directory_named_jar;
  std::filesystem::create_directory(directory_named_jar.path() / "jar.exe");
  std::string missing;
  for (int i = 0; missing.size() <= 300; ++i) missing += "C:\\missing\\directory" + std::to_string(i) + ";";
  std::string forward_slashes = tools;
  std::replace(forward_slashes.begin(), forward_slashes.end(), '\\', '/');
  // WINEPATH goes before Wine's own directories; cmd sets the whole PATH, the tools' entry last.
  const auto windows_build = std::filesystem::path(std::getenv("JARMENU_WINDOWS_BUILD")).parent_path();
  const std::string program = native_path(windows_build / "jarmenu.exe");
  struct Case {
    const char* why;
    std::string path;
    bool whole = false;  // the whole PATH, not only its start
  } const cases[] = {
      {"relative entries name the working directory, and are skipped; the last entry is searched",
       ".;ab\\..\\;" + tools, true},
      {"a PATH is searched past 260 characters, to an entry quoted and with forward slashes",
       missing + "\"" + forward_slashes + "\""},
      {"a \\\\?\\ entry is absolute", "\\\\?\\" + tools},
      {"a read-only tool is a tool", native_path(read_only.path())},
      {"a drive-relative entry names no fixed directory, and is skipped", "Z:.;C:tools;" + tools},
      {"a directory named jar.exe is no tool", native_path(directory_named_jar.path()) + ";" + tools},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "ab");
    std::filesystem::copy_file(fake_jar(), dir.path() / "jar.exe");
    const std::string script = c.whole ? "exec wine cmd /c 'set PATH=" + c.path + "&& " + program + "'" : "";
    const Launch launch{dir.path(), {{"WINEPATH", c.path}}, Tools::kFake, false, script};
    const RunResult result = run_on_pipes(launch, "1 x.jar\n4\n");
    EXPECT_EQ(result.output, menu() + view("jar <tvf> <x.jar>\n") + menu()) << c.why;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "pwned")) << c.why << ": the planted jar.exe ran";
  }
}

TEST(Jarmenu, ReadsWholeLinesAtAWindowsConsoleAndCompletesNamesAsCmdDoes) {
  if (!on_windows()) GTEST_SKIP() << "a POSIX terminal's lines are tested on a pseudo-terminal";
  struct Case {
    const char* why;
    std::vector<ConsoleStep> steps;  // typed once the menu shows; 4 and Enter follow
  } const cases[] = {
      {"the rest of a line answers the menu, never the application",
       {{"3 reader.jar 1 b.jar\r", "java <-jar> <reader.jar>"}, {"one\r", "java read <one>"}, {"", "jar <tvf> <b.jar>"}}},
      {"a line that begins with Ctrl+Z ends the input", {{"1\r", "(Example"}, {"\x1a\r", "jar <tvf>\n\nDone viewing"}}},
      {"a name outside the ANSI code page reaches jar.exe exactly",
       {{"1 \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar\r", "jar <tvf> <\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar>"}}},
      {"Ctrl+C stops the tool, and the menu comes back",
       {{"3 slow.jar\r", "slow started"}, {"\x03", "\nDone running...\n\nWelcome"}}},
      {"Tab takes an archive over other files, and shows it", {{"1 ap\t", "1 app.jar\n"}, {"\r", "jar <tvf> <app.jar>"}}},
      {"each further Tab the next match, over the longer one before it",
       {{"1 a\t", "1 a-long-name.jar\n"}, {"\t", "1 a1.jar\n"}, {"\t\r", "jar <tvf> <a2.jar>"}}},
      {"and Shift+Tab the one before", {{"1 a\t\t\x0f\r", "jar <tvf> <a-long-name.jar>"}}},
      {"a name in any case, put as it is spelled on disk",
       {{"1 AP\t\r", "jar <tvf> <app.jar>"}, {"1 LI\t\r", "jar <tvf> <libs\\>"}}},
      {"in any case beyond ASCII too, and a stem as long as the name it completes",
       {{"1 CAF\xc3\x89\t\r", "jar <tvf> <caf\xc3\xa9.jar>"}, {"1 libs\t\r", "jar <tvf> <libs\\>"}}},
      {"Shift+Tab first gives the last match, and from the first wraps round to the last",
       {{"1 a\x0f", "1 app.jar\n"}, {"\x0f\x0f\x0f\x0f", "1 a-long-name.jar\n"}, {"\x0f\r", "jar <tvf> <app.jar>"}}},
      {"a file gets no blank after it, and what is typed next lands right after it",
       {{"1 ap\tX\r", "jar <tvf> <app.jarX>"}}},
      {"what is typed after a Tab is completed afresh", {{"1 li\ti\t\r", "jar <tvf> <libs\\inner.jar>"}}},
      {"a typed \\ separates directories", {{"1 libs\\i\t\r", "jar <tvf> <libs\\inner.jar>"}}},
      {"the word is what follows the last blank, and a / before it names no directory",
       {{"1 libs/x 1 ap\t\r", "jar <tvf> <app.jar>"}}},
      {"Ctrl+Z inside a line is a character, and a line that begins with it and goes on still ends the input",
       {{"1 x\x1ay.jar\r", "jar <tvf> <x"}, {"1\r", "(Example"}, {"\x1ax\r", "jar <tvf>\n\nDone viewing"}}},
      {"a directory with a backslash, and / typed", {{"1 li\t\r", "jar <tvf> <libs\\>"}, {"1 libs/i\t\r", "jar <tvf> <libs/inner.jar>"}}},
      {"any file where no archive or directory matches, and nothing where none does",
       {{"1 po\t\r", "jar <tvf> <pom.xml>"}, {"1 zz\t\r", "jar <tvf> <zz>"}}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "libs");
    for (const char* file : {"app.jar", "app.java", "a-long-name.jar", "a1.jar", "a2.jar", "a3.jar", "pom.xml",
                             "libs/inner.jar", "caf\xc3\xa9.jar"})
      std::ofstream(dir.path() / file);
    std::vector<ConsoleStep> steps = {{"", "4: Quit"}};
    steps.insert(steps.end(), c.steps.begin(), c.steps.end());
    steps.push_back({"4\r", ""});
    const std::string transcript = run_at_console({dir.path(), {}}, steps);
    EXPECT_TRUE(transcript.starts_with("exit 0\n")) << c.why << ":\n" << transcript;
    EXPECT_EQ(transcript.find("slow finished"), std::string::npos) << c.why;
  }
}

TEST(Jarmenu, LeavesTheRestOfStandardInputToTheCommand) {
  TempDir dir;
  const RunResult result = run_on_pipes({dir.path(), {}}, "3 reader.jar\nanswer\n4\n");
  EXPECT_EQ(result.output, menu() + run("java <-jar> <reader.jar>\njava read <answer>\n") + menu());
  EXPECT_EQ(result.exit_status, 0);
}

TEST(Jarmenu, SurvivesAReaderThatWentAwayAndStillRunsEveryAction) {
  TempDir dir;
  const auto log = dir.path() / "tools.log";
  const RunResult result = run_on_pipes({dir.path(), {{"FAKE_TOOL_LOG", log.string()}}},
                                        "1 a.jar\n2 b.jar\n3 c.jar\n4\n", /*close_output=*/true);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_FALSE(result.timed_out);
  // The commands run in jarmenu's directory, as its own children (no shell waits between), and on
  // POSIX systems a broken pipe is fatal to them as usual.
  std::istringstream lines(read_file(log));
  const std::string expected[] = {"jar <tvf> <a.jar>", "jar <xvf> <b.jar>", "java <-jar> <c.jar>"};
  std::string line;
  for (const std::string& command : expected) {
    ASSERT_TRUE(std::getline(lines, line)) << "missing: " << command;
    // jarmenu itself; when it is cross-built, the emulator that runs it, and only that.
    const std::string parent = on_windows() ? "jarmenu" : JARMENU_PROCESS_NAME;
    const std::string head = command + " cwd=" + dir.path().string() + " parent=" + parent;
    EXPECT_TRUE(line.starts_with(head)) << line;
    if (on_windows()) continue;
    ASSERT_TRUE(line.starts_with(head + " SigIgn:\t")) << line;
    const unsigned long long ignored = std::stoull(line.substr(line.rfind('\t') + 1), nullptr, 16);
    EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << "SIGPIPE ignored in: " << line;
  }
  EXPECT_FALSE(std::getline(lines, line)) << "an extra command ran: " << line;
}

}  // namespace
}  // namespace jarmenu::test
