// Where each action's tool is found (tool_lookup.h).
#include "tool_lookup.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "utf8_path.h"

namespace jarmenu {
namespace {

// The module and class that the JDK's own jar launcher starts: a runtime without the launcher,
// such as a distribution's runtime package, still has them.
constexpr std::string_view kJarToolArguments = "-m jdk.jartool/sun.tools.jar.Main ";
constexpr std::string_view kAdvice = "; install a JDK, or set JAVA_HOME to one\n";

/// Where a tool was found.
struct Place {
  std::filesystem::path program;
  bool on_path = false;
};

/// Whether `directory` names one place whatever the working directory is: on POSIX it begins with
/// /, on Windows with a drive and a separator, or with \\ (a share, or \\?\).
bool is_absolute(std::string_view directory, bool windows) {
  if (!windows) return directory.starts_with('/');
  const bool drive = directory.size() >= 3 && directory[1] == ':' && (directory[2] == '\\' || directory[2] == '/');
  return drive || directory.starts_with("\\\\");
}

/// Whether `file` is a program the platform would start: on POSIX a regular file with an execute
/// bit, as the shell's exec takes it; on Windows any file that is not a directory.
bool is_program(const std::filesystem::path& file, bool windows) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (error || !std::filesystem::exists(status)) return false;
  if (windows) return !std::filesystem::is_directory(status);
  using std::filesystem::perms;
  const perms executable = perms::owner_exec | perms::group_exec | perms::others_exec;
  return std::filesystem::is_regular_file(status) && (status.permissions() & executable) != perms::none;
}

/// The absolute directory `directory` names, written as people write it (a trailing separator;
/// on Windows, in quotes); none where it is relative, and so names the working directory or one
/// below it, where Extract writes an archive's files.
std::optional<std::string> absolute_directory(std::string directory, bool windows) {
  if (windows) std::erase(directory, '"');
  if (!is_absolute(directory, windows)) return std::nullopt;
  return directory;
}

/// The first entry of PATH, in order, that holds the program `tool`.
std::optional<std::filesystem::path> find_on_path(const std::string& tool, const ToolSearch& search) {
  const char separator = search.windows ? ';' : ':';
  for (std::size_t start = 0; start <= search.path.size();) {
    const std::size_t end = std::min(search.path.find(separator, start), search.path.size());
    std::string directory = search.path.substr(start, end - start);
    start = end + 1;
    // Windows skips an empty or relative entry; the shell takes an empty one for the working
    // directory, and a relative one below it.
    if (search.windows) {
      const std::optional<std::string> absolute = absolute_directory(directory, true);
      if (!absolute) continue;
      directory = *absolute;
    }
    const std::filesystem::path candidate = directory.empty() ? to_path(tool) : to_path(directory) / to_path(tool);
    if (is_program(candidate, search.windows)) return candidate;
  }
  return std::nullopt;
}

/// The program `tool` in the bin of the JDK at `home`.
std::optional<std::filesystem::path> find_in_home(const std::string& home, const std::string& tool, bool windows) {
  const std::optional<std::string> directory = absolute_directory(home, windows);
  if (!directory) return std::nullopt;
  const std::filesystem::path candidate = to_path(*directory) / "bin" / to_path(tool);
  if (is_program(candidate, windows)) return candidate;
  return std::nullopt;
}

/// Where `tool` is: on PATH, in JAVA_HOME, in the registered JDK, in that order.
std::optional<Place> locate(const std::string& tool, const ToolSearch& search) {
  if (const auto found = find_on_path(tool, search)) return Place{*found, true};
  for (const std::string* home : {search.java_home ? &*search.java_home : nullptr, &search.registered_home}) {
    if (home == nullptr || home->empty()) continue;
    if (const auto found = find_in_home(*home, tool, search.windows)) return Place{*found, false};
  }
  return std::nullopt;
}

/// Whether the runtime `java` belongs to plainly lacks the jar tool: its release file lists the
/// modules it holds, without jdk.jartool. A runtime without that file may have it.
bool lacks_jar_tool(const std::filesystem::path& java) {
  std::error_code error;
  std::filesystem::path real = std::filesystem::canonical(java, error);
  if (error) real = java;
  std::ifstream release(real.parent_path().parent_path() / "release");
  for (std::string line; std::getline(release, line);) {
    if (!line.starts_with("MODULES=")) continue;
    // Appended, not " " + line.substr(8): GCC 12 at -O3 misreads that as an overlapping copy.
    std::string modules(1, ' ');
    modules.append(line, 8).append(1, ' ');
    std::replace_if(modules.begin(), modules.end(), [](char c) { return c == '"' || c == '\r'; }, ' ');
    return modules.find(" jdk.jartool ") == std::string::npos;
  }
  return false;
}

/// Where the tools were looked for, as the complaint names it.
std::string places_searched(const ToolSearch& search) {
  std::string home = "JAVA_HOME";
  if (search.java_home && !search.java_home->empty() && !absolute_directory(*search.java_home, search.windows))
    home += " (not an absolute path, so not searched)";
  return search.windows ? "PATH, in " + home + " or in the registry" : "PATH or in " + home;
}

}  // namespace

ToolCommand find_tool(std::string_view prefix, const ToolSearch& search) {
  const std::size_t space = prefix.find(' ');
  const std::string suffix = search.windows ? ".exe" : "";
  ToolCommand command{std::string(prefix.substr(0, space)) + suffix, {}, false, {}, {}};
  command.arguments = prefix.substr(space + 1);
  if (const auto place = locate(command.tool, search)) {
    command.program = place->program;
    command.on_path = place->on_path;
    return command;
  }
  const std::string java = "java" + suffix;
  std::string lacking;  // why the java found is no way to the jar tool
  if (command.tool != java) {
    const std::optional<Place> place = locate(java, search);
    if (place && !lacks_jar_tool(place->program))
      return {java, place->program, place->on_path, std::string(kJarToolArguments) + command.arguments, {}};
    if (place) lacking = ", and the runtime of " + to_text(place->program) + " has no jar tool";
  }
  command.complaint =
      "jarmenu: " + command.tool + ": not found on " + places_searched(search) + lacking + std::string(kAdvice);
  return command;
}

}  // namespace jarmenu
