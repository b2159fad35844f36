// Where an action's tool is found: on PATH first, as before, then in JAVA_HOME, then (on Windows)
// in the JDK that the installers registered, and for jar, last, through the java found. Plain C++
// over std::filesystem; the platform files hand it the environment and start what it finds.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace jarmenu {

/// What the rule needs of the platform: the environment, and how the platform names programs.
struct ToolSearch {
  std::string path;                      // PATH as it stands (UTF-8 on Windows)
  std::optional<std::string> java_home;  // JAVA_HOME as it stands, if set
  std::string registered_home;           // Windows: the JavaHome the installers registered, or ""
  bool windows = false;  // ; between entries, quotes dropped, absolute entries only, .exe, no x bit
};

/// The tool an action starts, or why there is none.
struct ToolCommand {
  std::string tool;                // the tool's file name: jar or java (jar.exe, java.exe)
  std::filesystem::path program;   // where it was found; empty when it was not
  bool on_path = false;            // found on PATH, where the shell finds it again by its name
  std::string arguments;           // the words before the file name, each followed by a space
  std::string complaint;           // when nothing was found: the line for standard error
};

/// The command for `prefix` ("jar tvf ", "java -jar "): its first word is the tool, found on PATH
/// as the shell's exec finds it (Windows: absolute entries only), else in an absolute JAVA_HOME's
/// bin, else in the registered JDK's bin; for jar, else as the jar tool of the java found so,
/// unless that runtime's release file says it has none.
ToolCommand find_tool(std::string_view prefix, const ToolSearch& search);

}  // namespace jarmenu
