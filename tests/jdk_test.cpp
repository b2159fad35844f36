// The built jarmenu with the JDK's real jar and java, on archives the JDK built.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "support.h"

namespace jarmenu::test {
namespace {

#ifdef HELLO_JAR
constexpr const char* kHelloJar = HELLO_JAR;
constexpr const char* kEchoJar = ECHO_JAR;
constexpr const char* kGreetingFile = GREETING_FILE;
#else
// Without a JDK every test here skips itself before it looks at these.
constexpr const char* kGreetingFile = "";
#endif

/// A fresh working directory holding the fixture archives under the names given.
class JdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef HELLO_JAR
    GTEST_SKIP() << "no JDK was found when the build was configured";
#else
    std::filesystem::copy_file(kHelloJar, dir_.path() / "hello.jar");
    // Names the tools would take for options or argument files, were they passed as they stand.
    for (const char* name : {"it's&ok.jar", "@hello.jar", "-hello.jar", "-version"})
      std::filesystem::copy_file(kHelloJar, dir_.path() / name);
    std::filesystem::copy_file(kEchoJar, dir_.path() / "echo.jar");
#endif
  }

  RunResult run(std::string_view input) {
    return run_on_pipes({dir_.path(), {}, Tools::kReal, /*errors_to_output=*/true}, input);
  }

  /// Whether `output` is one whole action: prompt and example, the tool's output holding
  /// `tool_says`, the completion text and the menu again.
  static ::testing::AssertionResult is_action(const std::string& output, std::string_view prompt,
                                              std::string_view tool_says, std::string_view done) {
    const std::string head = std::string(text::kMenu) + std::string(prompt) + std::string(text::kExample);
    const std::string tail = "\n\n" + std::string(done) + "\n" + std::string(text::kMenu);
    if (!output.starts_with(head) || !output.ends_with(tail))
      return ::testing::AssertionFailure() << "not a whole action:\n" << output;
    const std::string middle = output.substr(head.size(), output.size() - head.size() - tail.size());
    if (middle.find(tool_says) == std::string::npos)
      return ::testing::AssertionFailure() << "the tool did not say \"" << tool_says << "\":\n" << middle;
    return ::testing::AssertionSuccess();
  }

  TempDir dir_;
};

TEST_F(JdkTest, ViewListsTheArchiveEntries) {
  for (const std::string name : {"hello.jar", "it's&ok.jar", "@hello.jar"}) {
    const RunResult result = run("1 " + name + "\n4\n");
    for (const char* entry : {"META-INF/MANIFEST.MF", "Hello.class", "data/greeting.txt"})
      EXPECT_TRUE(is_action(result.output, text::kViewPrompt, entry, "Done viewing...\n")) << name;
    EXPECT_EQ(result.exit_status, 0);
  }
}

TEST_F(JdkTest, ExtractCreatesTheEntriesInTheWorkingDirectory) {
  for (const std::string name : {"hello.jar", "it's&ok.jar"}) {
    std::filesystem::remove_all(dir_.path() / "data");
    std::filesystem::remove(dir_.path() / "Hello.class");
    const RunResult result = run("2 " + name + "\n4\n");
    EXPECT_TRUE(is_action(result.output, text::kExtractPrompt, "Hello.class", "Done extracting...\n")) << name;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.path() / "Hello.class")) << name;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.path() / "META-INF" / "MANIFEST.MF")) << name;
    EXPECT_EQ(read_file(dir_.path() / "data" / "greeting.txt"), read_file(kGreetingFile)) << name;
  }
}

TEST_F(JdkTest, RunStartsTheApplication) {
  for (const std::string name : {"hello.jar", "it's&ok.jar", "-hello.jar", "-version"}) {
    const RunResult result = run("3 " + name + "\n4\n");
    EXPECT_TRUE(is_action(result.output, text::kExtractPrompt, "Hello says: hello from inside the archive\n",
                          "Done running...\n"))
        << name;
    EXPECT_EQ(result.exit_status, 0);
  }
}

TEST_F(JdkTest, RunGivesTheApplicationTheNextLineOfPipedInput) {
  const RunResult result = run("3 echo.jar\nhello there\n4\n");
  EXPECT_TRUE(is_action(result.output, text::kExtractPrompt, "Say something:\nYou said: hello there\n",
                        "Done running...\n"));
  EXPECT_EQ(result.exit_status, 0);
}

TEST_F(JdkTest, AMissingArchiveShowsTheToolsErrorAndCarriesOn) {
  const RunResult result = run("1 missing.jar\n4\n");
  EXPECT_TRUE(is_action(result.output, text::kViewPrompt, "missing.jar", "Done viewing...\n"));
  EXPECT_EQ(result.exit_status, 0);
}

TEST_F(JdkTest, FindsTheToolsWhereverTheJdkIs) {
#ifdef JAVA_EXECUTABLE
  const std::filesystem::path home = std::filesystem::canonical(JAVA_EXECUTABLE).parent_path().parent_path();
  // Runtimes as jlink makes them: one with the jar tool's module but, like a distribution's runtime
  // package, without the jar launcher; one without that module.
  const TempDir runtimes;
  const auto make_runtime = [&](const char* name, const char* modules) {
    const std::string line = "'" + (home / "bin" / "jlink").string() + "' --add-modules " + modules + " --output '" +
                             (runtimes.path() / name).string() + "'";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
  };
  make_runtime("runtime", "java.base,jdk.jartool");
  std::filesystem::remove(runtimes.path() / "runtime" / "bin" / "jar");
  make_runtime("trimmed", "java.base");
  std::filesystem::create_directory(runtimes.path() / "link");
  std::filesystem::create_symlink(home / "bin" / "java", runtimes.path() / "link" / "java");
  const std::string nowhere = "/nonexistent";
  const std::string relative = " (not an absolute path, so not searched)";
  const std::string listed = "Hello.class", said = "Hello says: hello from inside the archive\n";
  struct Case {
    const char* why;
    std::string path;
    std::optional<std::string> java_home;
    std::string view, run;  // what View (and Extract) and Run show
  } const cases[] = {
      {"only a link to the JDK's java on PATH", (runtimes.path() / "link").string(), {}, listed, said},
      {"a runtime with the jar tool but no jar launcher", (runtimes.path() / "runtime" / "bin").string(), {}, listed,
       said},
      {"a runtime without the jar tool, which jarmenu says it lacks", (runtimes.path() / "trimmed" / "bin").string(),
       {},
       tool_not_found("jar", "", ", and the runtime of " + (runtimes.path() / "trimmed/bin/java").string() +
                                     " has no jar tool"),
       said},
      {"JAVA_HOME alone, with a trailing /", nowhere, home.string() + "/", listed, said},
      {"the stand-ins on PATH, not JAVA_HOME's tools", FAKE_TOOLS_DIR, home.string(), "jar <",
       "java <-jar> <hello.jar>\n"},
      {"a relative JAVA_HOME, never searched", nowhere, "jdk", tool_not_found("jar", relative),
       tool_not_found("java", relative)},
      {"nothing anywhere", nowhere, {}, tool_not_found("jar"), tool_not_found("java")},
  };
  // Stand-ins where the relative JAVA_HOME would find them: any that runs marks the directory.
  std::filesystem::create_directories(dir_.path() / "jdk" / "bin");
  for (const char* tool : {"jar", "java"}) std::filesystem::copy_file(fake_jar(), dir_.path() / "jdk" / "bin" / tool);
  const struct {
    std::string_view choice, prompt, done;
    bool extracts;
  } actions[] = {{"1", text::kViewPrompt, "Done viewing...\n", false},
                 {"2", text::kExtractPrompt, "Done extracting...\n", true},
                 {"3", text::kExtractPrompt, "Done running...\n", false}};
  for (const Case& c : cases) {
    Launch launch{dir_.path(), {{"PATH", c.path}}, Tools::kReal, /*errors_to_output=*/true};
    if (c.java_home) launch.environment.emplace_back("JAVA_HOME", *c.java_home);
    for (const auto& action : actions) {
      std::filesystem::remove(dir_.path() / "Hello.class");
      const RunResult result = run_on_pipes(launch, std::string(action.choice) + " hello.jar\n4\n");
      const std::string& says = action.choice == "3" ? c.run : c.view;
      EXPECT_TRUE(is_action(result.output, action.prompt, says, action.done)) << c.why;
      EXPECT_EQ(result.exit_status, 0) << c.why;
      if (action.extracts && says == listed) {
        EXPECT_TRUE(std::filesystem::is_regular_file(dir_.path() / "Hello.class")) << c.why;
      }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "pwned")) << c.why << ": the relative JAVA_HOME's tool ran";
  }
#endif
}

}  // namespace
}  // namespace jarmenu::test
