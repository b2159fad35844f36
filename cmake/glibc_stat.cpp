// The stat calls for a jarmenu built against glibc 2.28, whose libc.so.6 exports them only under
// the names of its stat structure's versions (__xstat and its kin), as glibc before 2.33 does.
// Zig's own stand-ins for these calls set an errno of their own, not the C library's, so that a
// failed stat() read as a success, and a missing file as one of unknown type, in std::filesystem;
// these hand every call to the C library, which sets its errno as for any other call.
#include <sys/stat.h>

namespace {
// The layout of struct stat that glibc is asked for, its _STAT_VER.
#if defined(__x86_64__)
constexpr int kStatVersion = 1;
#else
constexpr int kStatVersion = 0;  // the generic ABI's, AArch64's among them
#endif
}  // namespace

extern "C" {
int __xstat(int version, const char* path, struct stat* buffer) noexcept;
int __lxstat(int version, const char* path, struct stat* buffer) noexcept;
int __fxstat(int version, int descriptor, struct stat* buffer) noexcept;
int __fxstatat(int version, int directory, const char* path, struct stat* buffer, int flags) noexcept;
int __xstat64(int version, const char* path, struct stat64* buffer) noexcept;
int __lxstat64(int version, const char* path, struct stat64* buffer) noexcept;
int __fxstat64(int version, int descriptor, struct stat64* buffer) noexcept;
int __fxstatat64(int version, int directory, const char* path, struct stat64* buffer, int flags) noexcept;

int stat(const char* path, struct stat* buffer) noexcept { return __xstat(kStatVersion, path, buffer); }
int lstat(const char* path, struct stat* buffer) noexcept { return __lxstat(kStatVersion, path, buffer); }
int fstat(int descriptor, struct stat* buffer) noexcept { return __fxstat(kStatVersion, descriptor, buffer); }
int fstatat(int directory, const char* path, struct stat* buffer, int flags) noexcept {
  return __fxstatat(kStatVersion, directory, path, buffer, flags);
}
int stat64(const char* path, struct stat64* buffer) noexcept { return __xstat64(kStatVersion, path, buffer); }
int lstat64(const char* path, struct stat64* buffer) noexcept { return __lxstat64(kStatVersion, path, buffer); }
int fstat64(int descriptor, struct stat64* buffer) noexcept { return __fxstat64(kStatVersion, descriptor, buffer); }
int fstatat64(int directory, const char* path, struct stat64* buffer, int flags) noexcept {
  return __fxstatat64(kStatVersion, directory, path, buffer, flags);
}
}
