#include "textio/system_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace meldrit::textio::system_files {

namespace {
const volatile std::sig_atomic_t* g_stop = nullptr;

// After a call failed with EINTR: whether to try it again.
[[maybe_unused]] bool retry_interrupted() {
  return g_stop == nullptr || *g_stop == 0;
}
}  // namespace

void give_up_when_interrupted(const volatile std::sig_atomic_t* stop) {
  g_stop = stop;
}

#ifdef _WIN32

namespace {
// The C runtime counts in unsigned ints; larger requests are split.
constexpr std::size_t kLargestCall = 0x40000000;
}  // namespace

int open_for_reading(const char* path) {
  const int fd = ::_open(path, _O_RDONLY | _O_BINARY);
  if (fd < 0) return -1;
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFDIR)) {
    ::_close(fd);
    return -1;
  }
  return fd;
}

int create_for_writing(const char* path) {
  return ::_open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

long read_some(int fd, char* data, std::size_t size) {
  return ::_read(fd, data, static_cast<unsigned>(std::min(size, kLargestCall)));
}

long write_some(int fd, const char* data, std::size_t size) {
  return ::_write(fd, data, static_cast<unsigned>(std::min(size, kLargestCall)));
}

bool close_file(int fd) {
  return ::_close(fd) == 0;
}

long read_at(int fd, char* data, std::size_t size, std::uint64_t offset) {
  const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(file, data, static_cast<DWORD>(std::min(size, kLargestCall)), &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return static_cast<long>(got);
}

bool regular_file_size(int fd, std::uint64_t& size) {
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0 || !(info.st_mode & _S_IFREG)) return false;
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool seek_to(int fd, std::uint64_t offset) {
  return ::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) >= 0;
}

FileLock::Result FileLock::try_lock(const char* path) {
  release();
  HANDLE file =
      CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Result::Unavailable;
  OVERLAPPED whole{};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return Result::Locked;
  }
  const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
  CloseHandle(file);
  return busy ? Result::Busy : Result::Unavailable;
}

void FileLock::release() {
  if (handle_ == -1) return;
  // Closing the handle drops the lock.
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

bool file_number(const char* path, std::uint64_t& device, std::uint64_t& number) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return false;
  device = info.dwVolumeSerialNumber;
  number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool replaceable_by_rename(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY))
    return false;
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool single = GetFileInformationByHandle(file, &info) != 0 && info.nNumberOfLinks == 1 &&
                      GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  return single;
}

bool replace_file(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool copy_permissions(const char* model, const char* path) {
  const DWORD attributes = GetFileAttributesA(model);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0 &&
         GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int open_file_allowance(int wanted, int reserved) {
  // The C runtime holds its descriptors in a table of fixed size: 8192 in the UCRT, 2048 in
  // msvcrt.dll. Neither tells its size, but _setmaxstdio takes no larger limit for the streams,
  // so the largest value it takes is that size.
  int limit = _getmaxstdio();
  for (const int size : {8192, 2048}) {
    if (_setmaxstdio(size) == size) {
      limit = size;
      break;
    }
  }
  return std::clamp(limit - reserved, 0, wanted);
}

#else

int open_for_reading(const char* path) {
  int fd = -1;
  // Opening a FIFO waits for its writer.
  while ((fd = ::open(path, O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR && retry_interrupted()) {
  }
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int create_for_writing(const char* path) {
  int fd = -1;
  while ((fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) < 0 && errno == EINTR &&
         retry_interrupted()) {
  }
  return fd;
}

long read_some(int fd, char* data, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, data, size);
    if (got >= 0 || errno != EINTR || !retry_interrupted()) return static_cast<long>(got);
  }
}

long write_some(int fd, const char* data, std::size_t size) {
  for (;;) {
    const ssize_t put = ::write(fd, data, size);
    if (put >= 0 || errno != EINTR || !retry_interrupted()) return static_cast<long>(put);
  }
}

bool close_file(int fd) {
  return ::close(fd) == 0;
}

long read_at(int fd, char* data, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR || !retry_interrupted()) return static_cast<long>(got);
  }
}

bool regular_file_size(int fd, std::uint64_t& size) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool seek_to(int fd, std::uint64_t offset) {
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

FileLock::Result FileLock::try_lock(const char* path) {
  release();
  const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::Unavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    handle_ = fd;
    return Result::Locked;
  }
  const bool busy = errno == EWOULDBLOCK;
  ::close(fd);
  return busy ? Result::Busy : Result::Unavailable;
}

void FileLock::release() {
  if (handle_ == -1) return;
  // Closing the descriptor drops the lock.
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool file_number(const char* path, std::uint64_t& device, std::uint64_t& number) {
  struct stat info {};
  if (::stat(path, &info) != 0) return false;
  device = static_cast<std::uint64_t>(info.st_dev);
  number = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool replaceable_by_rename(const char* path) {
  struct stat info {};
  if (::lstat(path, &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode) && info.st_nlink == 1 && info.st_uid == ::geteuid() &&
         ::access(path, W_OK) == 0;
}

bool replace_file(const char* from, const char* to) {
  return ::rename(from, to) == 0;
}

bool copy_permissions(const char* model, const char* path) {
  struct stat info {};
  return ::stat(model, &info) == 0 && ::chmod(path, info.st_mode & 07777) == 0;
}

int open_file_allowance(int wanted, int reserved) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return wanted;
  const rlim_t needed = static_cast<rlim_t>(wanted) + static_cast<rlim_t>(reserved);
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < needed) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? needed : std::min(needed, limit.rlim_max);
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  if (limit.rlim_cur == RLIM_INFINITY) return wanted;
  const long long allowed = static_cast<long long>(limit.rlim_cur) - reserved;
  return static_cast<int>(std::clamp<long long>(allowed, 0, wanted));
}

#endif

}  // namespace meldrit::textio::system_files
