// The Windows command line, checked against Windows' own splitting of it (run under Wine).
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quoting.h"

namespace jarmenu {
namespace {

/// The arguments CommandLineToArgvW finds in the UTF-8 command line `line`, as UTF-8.
std::vector<std::string> split(const std::string& line) {
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) {
    std::string word(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, word.data(), static_cast<int>(word.size()), nullptr, nullptr);
    word.pop_back();
    words.push_back(word);
  }
  ::LocalFree(argv);
  return words;
}

TEST(ComposeCommandLine, WindowsSplitsItIntoExactlyTheProgramThePrefixAndTheName) {
  std::vector<std::string> names = {"x.jar", "my app.jar", "%PATH%", "\"", "\\", "\\\\\"\\", "dir\\", "a\\\\\"b\\",
                                    "\"\"", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.jar", "\xc3\xa9.jar", "*.jar"};
  std::string every_byte;
  for (int byte = 1; byte < 128; ++byte) {
    names.emplace_back(1, static_cast<char>(byte));
    names.push_back("a" + names.back() + "\"b\\");
    every_byte += static_cast<char>(byte);
  }
  names.push_back(every_byte);
  for (const char* program : {"C:\\jdk\\bin\\jar.exe", "C:\\Program Files\\Java\\jdk 21\\bin\\java.exe"}) {
    for (const std::string& name : names) {
      const bool option_like = name[0] == '-' || name[0] == '@';
      const std::vector<std::string> expected = {program, "-jar", option_like ? ".\\" + name : name};
      EXPECT_EQ(split(compose_command_line(program, "-jar ", name)), expected) << "name of " << name.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace jarmenu
