#include "quoting.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support.h"

namespace jarmenu {
namespace {

/// What /bin/sh makes of `command`: the bytes its printf writes.
std::string shell_output(const std::string& command) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "popen failed";
  std::string out;
  char buffer[256];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

TEST(ComposeCommand, LeavesSensibleNamesUntouched) {
  for (const std::string_view name : {"AZaz09.jar", "lib/app-1.0_final.jar", "../up/a+b,c:d@e%f=g.jar", "x-@.jar"})
    EXPECT_EQ(compose_command("jar tvf ", name), "jar tvf " + std::string(name));
}

TEST(ComposeCommand, QuotesEverythingElseAsOneLiteralWord) {
  struct Case {
    std::string_view name;
    std::string_view expected;
  } const cases[] = {
      {"", "jar tvf "},
      {"x.jar;rm -rf ~", "jar tvf 'x.jar;rm -rf ~'"},
      {"$(id).jar", "jar tvf '$(id).jar'"},
      {"it's&ok.jar", "jar tvf 'it'\\''s&ok.jar'"},
      {"*.jar", "jar tvf '*.jar'"},
      {"a^b.jar", "jar tvf 'a^b.jar'"},
      {"x{a,b}[c].jar", "jar tvf 'x{a,b}[c].jar'"},
      {"-x.jar", "jar tvf ./-x.jar"},
      {"@", "jar tvf ./@"},
      {"-it's.jar", "jar tvf './-it'\\''s.jar'"},
      {"~/-x.jar", "jar tvf ~/-x.jar"},
      {"~/apps/x.jar", "jar tvf ~/apps/x.jar"},
      {"~/it's.jar", "jar tvf ~/'it'\\''s.jar'"},
      {"~/", "jar tvf ~/"},
      {"~", "jar tvf '~'"},
      {"~root/x.jar", "jar tvf '~root/x.jar'"},
      {"a/~/b.jar", "jar tvf 'a/~/b.jar'"},
      {{"a\0b.jar", 7}, "jar tvf a"},
      {{"\0x", 2}, "jar tvf "},
      {"caf\xc3\xa9.jar", "jar tvf 'caf\xc3\xa9.jar'"},
  };
  for (const Case& c : cases) EXPECT_EQ(compose_command("jar tvf ", c.name), c.expected) << c.name;
}

TEST(ComposeCommand, TheInterpreterGetsEveryNameByteForByte) {
  std::vector<std::string> names;
  std::string every_byte;
  for (int byte = 1; byte < 256; ++byte) {
    names.emplace_back(1, static_cast<char>(byte));
    names.push_back("a" + names.back() + "'b'\\");
    every_byte += static_cast<char>(byte);
  }
  names.push_back(every_byte);
  names.push_back("''''");
  // In a scratch directory, so that a quoting fault that lets a redirection through litters nothing.
  const test::TempDir dir;
  const std::string prefix = "cd '" + dir.path().string() + "' && printf '%s' ";
  for (const std::string& name : names) {
    const bool option_like = name[0] == '-' || name[0] == '@';
    EXPECT_EQ(shell_output(compose_command(prefix, name)), option_like ? "./" + name : name)
        << "name of " << name.size() << " bytes";
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a name ran as shell syntax";
}

TEST(ComposeCommandLine, QuotesTheNameByTheRuntimesRulesAndNeverAsAnOption) {
  struct Case {
    std::string_view name;
    std::string_view quoted;  // what follows "C:\jdk\jar.exe" tvf
  } const cases[] = {
      {"x.jar", R"("x.jar")"},
      {"", ""},
      {{"\0x", 2}, ""},
      {"my app.jar", R"("my app.jar")"},
      {"%PATH%&|^!()'.jar", R"("%PATH%&|^!()'.jar")"},
      {"*.jar", R"("*.jar")"},
      {R"(say "hi".jar)", R"("say \"hi\".jar")"},
      {R"(a\b\\c.jar)", R"("a\b\\c.jar")"},
      {R"(a\"b)", R"("a\\\"b")"},
      {R"(dir\)", R"("dir\\")"},
      {"-x.jar", R"(".\-x.jar")"},
      {"@x.jar", R"(".\@x.jar")"},
      {"~/x.jar", R"("~/x.jar")"},
      {{"a\0b.jar", 7}, R"("a")"},
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar", "\"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(compose_command_line(R"(C:\jdk\jar.exe)", "tvf ", c.name), R"("C:\jdk\jar.exe" tvf )" + std::string(c.quoted))
        << c.name;
}

TEST(ComposeCommand, PassesAVeryLongNameWhole) {
  const std::string name(5000, 'n');
  EXPECT_EQ(compose_command("java -jar ", name), "java -jar " + name);
}

}  // namespace
}  // namespace jarmenu
