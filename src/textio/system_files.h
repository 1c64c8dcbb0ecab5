#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>

// The platform's raw file calls, kept in this one place so that the rest of the core builds for
// POSIX and Windows alike. Descriptors are plain ints on both.
namespace meldrit::textio::system_files {

// Once `*stop` is set (by a stop signal's handler), a call that a signal interrupted gives up and
// fails instead of being retried, so that a run blocked on a pipe or a FIFO ends. Without it every
// interrupted call is retried.
void give_up_when_interrupted(const volatile std::sig_atomic_t* stop);

// A descriptor open for reading, or -1 (also for a folder, which some systems let one open).
int open_for_reading(const char* path);
// Creates or empties the file; -1 when it cannot be.
int create_for_writing(const char* path);
// Bytes read (0 at the end, -1 on an error); an interrupted call is retried.
long read_some(int fd, char* data, std::size_t size);
// Bytes written (-1 on an error); an interrupted call is retried.
long write_some(int fd, const char* data, std::size_t size);
// Reads at `offset` without moving the descriptor's place, so that several threads can read one
// open file; as read_some otherwise.
long read_at(int fd, char* data, std::size_t size, std::uint64_t offset);
// The size of the open file; false when it is no regular file (a pipe, a FIFO).
bool regular_file_size(int fd, std::uint64_t& size);
// False when the system reports an error (a delayed write error, for one).
bool close_file(int fd);
// Moves a descriptor open for reading to `offset` bytes from the start; false when it cannot.
bool seek_to(int fd, std::uint64_t offset);

// The device and file number that name an existing file whatever its spelling (a hard link or a
// symbolic link to it included); false when it does not exist or cannot be looked at.
bool file_number(const char* path, std::uint64_t& device, std::uint64_t& number);

// Whether a file made beside `path` and renamed onto it leaves what writing `path` in place would:
// true when nothing is there yet, or a plain file of this user's that can be written and has no
// other name (no hard link; a symbolic link is followed by a write but replaced by a rename).
bool replaceable_by_rename(const char* path);
// Moves `from` onto `to` in one step, replacing a file there; false when it cannot.
bool replace_file(const char* from, const char* to);
// Gives `path` the permissions of `model`; false when it cannot.
bool copy_permissions(const char* model, const char* path);

// How many more files this process may hold open beside `reserved` others, at most `wanted`:
// raises the soft limit towards the hard one when `wanted` needs it.
int open_file_allowance(int wanted, int reserved);

// An advisory lock on one file (created when missing), taken without waiting and held until
// release() or the end of the object. Other processes, and other locks of this one, see it.
class FileLock {
 public:
  enum class Result { Locked, Busy, Unavailable };

  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  Result try_lock(const char* path);
  void release();

 private:
  std::intptr_t handle_ = -1;
};

}  // namespace meldrit::textio::system_files
