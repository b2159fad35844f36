// What the Windows files share: a handle owned once, and text in Windows' UTF-16.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace jarmenu::sys {

/// A kernel handle closed exactly once, when its owner goes away.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

/// `wide` as UTF-8.
std::string to_utf8(std::wstring_view wide);
/// `bytes` as UTF-16: read as UTF-8 when they are valid UTF-8, else in the ANSI code page.
std::wstring to_wide(std::string_view bytes);

}  // namespace jarmenu::sys
