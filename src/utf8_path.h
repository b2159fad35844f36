// Paths as the program's text holds them: the bytes as they are on POSIX systems, UTF-8 on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace jarmenu {

/// `utf8` as a path: its bytes as they are on POSIX systems, decoded from UTF-8 on Windows.
inline std::filesystem::path to_path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

/// `path` as `to_path` takes it back.
inline std::string to_text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace jarmenu
