// Writing the file "record" on POSIX systems.
//
// 64-bit file offsets also in a 32-bit build, before any header: fstat would
// otherwise fail on a large file. Nothing of it crosses this file's
// interface.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bir/record_file.h"

namespace BioAPI_Data {
namespace record_file {
namespace {

using internal::kFileName;
using internal::kSlotGap;
using internal::kSlots;
using internal::TemporaryName;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  bool Close() {
    if (fd_ < 0) return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

// A descriptor of a directory for the *at calls alone: O_PATH needs no read
// permission on the directory, only search.
#ifdef O_PATH
constexpr int kDirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `name` in `directory` is the file `file` (not a link to it).
bool NameIsFile(int directory, const std::string& name,
                const struct stat& file) {
  struct stat found {};
  return ::fstatat(directory, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameFile(found, file);
}

bool WriteAllAt(int fd, const unsigned char* next, std::size_t left,
                off_t offset) {
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, next, left, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    next += n;
    offset += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Cuts the open file to `size` bytes, again when a signal interrupts.
void TruncateTo(int fd, std::uint64_t size) {
  while (::ftruncate(fd, static_cast<off_t>(size)) != 0 && errno == EINTR) {
  }
}

// Syncs the open file's bytes and metadata to the disk, again when a signal
// interrupts.
bool Sync(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Syncs `directory` (a descriptor that may only search it), so that a name
// made or replaced in it outlives a power loss. A directory that this user
// may not read cannot be opened to sync; its names are then as durable as
// the file system makes them unaided.
void SyncDirectory(int directory) {
  Descriptor readable(
      ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (readable.Valid()) (void)Sync(readable.Get());
}

// Holds an exclusive advisory lock on an open file until destroyed; the
// system drops it when the process dies.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() { ::flock(fd_, LOCK_UN); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

// Writes the bytes over the open file, which every name of the file then
// shows, and syncs it. The space is taken before the old record is touched,
// so that a full disk leaves it whole; writers of this library take turns
// through a lock. Not atomic: a reader, a crash or a power loss may meet a
// mix of the two records.
void WriteInPlace(int fd, const std::vector<unsigned char>& bytes) {
  const FileLock lock(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) return;
  const auto old_size = static_cast<std::uint64_t>(status.st_size);
  const std::uint64_t new_size = bytes.size();
#ifdef __linux__
  // Also allocates the holes of a sparse file; a file system without
  // fallocate relies on the order of the writes below.
  if (::fallocate(fd, 0, 0, static_cast<off_t>(new_size)) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS) {
    return;
  }
#endif
  // The part past the old end first: a failure there leaves the old record
  // as it was, once cut back to its size.
  if (new_size > old_size) {
    const auto tail = static_cast<std::size_t>(old_size);
    if (!WriteAllAt(fd, bytes.data() + tail, bytes.size() - tail,
                    static_cast<off_t>(old_size))) {
      TruncateTo(fd, old_size);
      return;
    }
  }
  const auto head = static_cast<std::size_t>(std::min(old_size, new_size));
  if (!WriteAllAt(fd, bytes.data(), head, 0)) return;
  if (new_size < old_size) TruncateTo(fd, new_size);
  // A write clears the set-id bits; the owner gets them back.
  struct stat after {};
  if ((status.st_mode & 06000) != 0 && ::fstat(fd, &after) == 0 &&
      (after.st_mode & 07777) != (status.st_mode & 07777)) {
    (void)::fchmod(fd, status.st_mode & 07777);
  }
  (void)Sync(fd);
}

// Removes the temporary files that killed calls left beside `base` in
// `directory`: only regular files of this writer's naming, of this user
// (any, for root), and only those that no writer holds, since a live writer
// locks its temporary file until it renames it. The names are tried slot by
// slot until kSlotGap in a row are free, never by reading the directory, so
// that the cost follows the writers at work and not the files beside them.
void RemoveStaleTemporaries(int directory, const std::string& base) {
  const uid_t user = ::geteuid();
  for (unsigned slot = 0, vacant = 0; slot < kSlots && vacant < kSlotGap;
       ++slot) {
    const std::string name = TemporaryName(base, slot);
    Descriptor file(
        ::openat(directory, name.c_str(),
                 O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid() && errno == ENOENT) {
      ++vacant;
      continue;
    }
    vacant = 0;
    if (!file.Valid()) {
      file.Reset(
          ::openat(directory, name.c_str(),
                   O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    }
    struct stat status {};
    if (!file.Valid() || ::fstat(file.Get(), &status) != 0 ||
        !S_ISREG(status.st_mode) || (user != 0 && status.st_uid != user) ||
        ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
      continue;
    }
    if (NameIsFile(directory, name, status)) {
      ::unlinkat(directory, name.c_str(), 0);
    }
  }
}

// A new temporary file in `directory` for the bytes of `base`, locked for as
// long as it is open. With `unnamed` (Linux) and where the file system
// allows it, it has no name until Name gives it one, once whole, so that a
// killed writer leaves nothing; otherwise it is made under the lowest free
// slot. A named one is unlinked on destruction unless it was renamed.
class Temporary {
 public:
  Temporary(int directory, const std::string& base, mode_t mode, bool unnamed)
      : directory_(directory), base_(base) {
#if defined(__linux__) && defined(O_TMPFILE)
    if (unnamed) {
      file_.Reset(
          ::openat(directory, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
      if (file_.Valid()) {
        // Nothing else can reach the file yet: the lock is there before
        // the file has a name that the clean-up may try.
        (void)::flock(file_.Get(), LOCK_EX | LOCK_NB);
        return;
      }
      // A file system or a kernel without unnamed files (or an emulator
      // that passes the flag on to neither) answers one of these; then the
      // file is named from the start.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error_ = errno;
        return;
      }
    }
#else
    (void)unnamed;
#endif
    MakeNamed(mode);
  }
  ~Temporary() {
    if (file_.Valid() && named_) ::unlinkat(directory_, name_.c_str(), 0);
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  bool Valid() const { return file_.Valid(); }
  int Get() const { return file_.Get(); }
  // Why no file was made or named: an errno value.
  int Error() const { return error_; }

  // Gives the file, whole and synced, the lowest free slot name where it
  // has none: through /proc, else (a process that may read any file) by its
  // descriptor. False when neither can link it; Error() tells why.
  bool Name() {
    if (named_) return true;
#ifdef __linux__
    const std::string path = "/proc/self/fd/" + std::to_string(file_.Get());
    for (unsigned slot = 0; slot < kSlots; ++slot) {
      name_ = TemporaryName(base_, slot);
      if (::linkat(AT_FDCWD, path.c_str(), directory_, name_.c_str(),
                   AT_SYMLINK_FOLLOW) == 0 ||
          (errno == ENOENT && ::linkat(file_.Get(), "", directory_,
                                       name_.c_str(), AT_EMPTY_PATH) == 0)) {
        named_ = true;
        return true;
      }
      if (errno != EEXIST) break;
    }
    error_ = errno;
#endif
    return false;
  }

  // Renames the named file over `name` and syncs the directory; false when
  // the rename fails, with errno set.
  bool RenameOver(const std::string& name) {
    if (::renameat(directory_, name_.c_str(), directory_, name.c_str()) != 0) {
      return false;
    }
    // The rename has taken the name; closing drops the lock.
    file_.Close();
    SyncDirectory(directory_);
    return true;
  }

 private:
  void MakeNamed(mode_t mode) {
    for (unsigned slot = 0; slot < kSlots; ++slot) {
      name_ = TemporaryName(base_, slot);
      file_.Reset(::openat(directory_, name_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           mode));
      if (!file_.Valid()) {
        error_ = errno;
        if (error_ == EEXIST) continue;
        return;
      }
      // Another call's clean-up may take the file between its making and
      // its lock; then it is no longer under its name, and another is made.
      struct stat status {};
      if (::flock(file_.Get(), LOCK_EX | LOCK_NB) == 0 &&
          ::fstat(file_.Get(), &status) == 0 &&
          NameIsFile(directory_, name_, status)) {
        named_ = true;
        return;
      }
      file_.Close();
      error_ = EEXIST;
    }
  }

  int directory_;
  std::string base_;
  std::string name_;
  Descriptor file_;
  bool named_ = false;
  int error_ = 0;
};

// Whether unnamed temporary files may be tried: false once one could not be
// linked under a name (no /proc, and no right to link by descriptor).
std::atomic<bool> unnamed_files{true};

// Whether an errno value says that this user may not do it here, rather
// than that it failed.
bool NotPermitted(int error) { return error == EACCES || error == EPERM; }

#ifdef __linux__
constexpr char kAccessAcl[] = "system.posix_acl_access";

// Reads an extended attribute of an open file into `value`; false with errno
// set when it cannot.
bool ReadAttribute(int fd, const char* name, std::vector<char>& value) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t n = ::fgetxattr(fd, name, value.data(), value.size());
    if (n >= 0) {
      value.resize(static_cast<std::size_t>(n));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// Gives `to` the access ACL of `from` and, where the file system allows it,
// its other extended attributes. False when the ACL cannot be carried over,
// which would leave the new file open to others than the old one.
bool CopyAttributes(int from, int to) {
  std::vector<char> value;
  if (ReadAttribute(from, kAccessAcl, value)) {
    if (::fsetxattr(to, kAccessAcl, value.data(), value.size(), 0) != 0) {
      return false;
    }
  } else if (errno == ENODATA || errno == ENOTSUP) {
    // No ACL beyond the mode; the new file must have none either (its
    // directory's default ACL may have given it one).
    if (::fremovexattr(to, kAccessAcl) != 0 && errno != ENODATA &&
        errno != ENOTSUP) {
      return false;
    }
  } else {
    return false;
  }
  std::vector<char> names(256);
  ssize_t size = -1;
  for (int attempt = 0; attempt < 4; ++attempt) {
    size = ::flistxattr(from, names.data(), names.size());
    if (size >= 0 || errno != ERANGE) break;
    const ssize_t needed = ::flistxattr(from, nullptr, 0);
    if (needed < 0) break;
    names.resize(static_cast<std::size_t>(needed) + 1);
  }
  for (ssize_t i = 0; i < size;) {
    const std::string name(&names[static_cast<std::size_t>(i)]);
    i += static_cast<ssize_t>(name.size()) + 1;
    // The ACL is done; file capabilities are never handed to new content.
    if (name == kAccessAcl || name == "security.capability") continue;
    if (ReadAttribute(from, name.c_str(), value)) {
      (void)::fsetxattr(to, name.c_str(), value.data(), value.size(), 0);
    }
  }
  return true;
}
#else
bool CopyAttributes(int, int) { return true; }
#endif

enum class Outcome {
  kReplaced,
  kFailed,        // a write failed: the old file is as it was
  kNotPermitted,  // this user may not replace the file so
};

// Writes the bytes to a new temporary file `file`, gives it the owner,
// group, extended attributes and mode of the open file `existing`
// (`status`) when there is one, the mode last since a write and a change of
// owner clear the set-id bits, syncs it, names it and renames it over `name`
// beside it.
Outcome WriteAndRename(Temporary& file, const std::string& name, int existing,
                       const struct stat* status,
                       const std::vector<unsigned char>& bytes) {
  if (!file.Valid()) {
    return NotPermitted(file.Error()) ? Outcome::kNotPermitted
                                      : Outcome::kFailed;
  }
  if (!WriteAllAt(file.Get(), bytes.data(), bytes.size(), 0)) {
    return Outcome::kFailed;
  }
  if (status != nullptr) {
    struct stat made {};
    if (::fstat(file.Get(), &made) != 0) return Outcome::kFailed;
    if ((made.st_uid != status->st_uid || made.st_gid != status->st_gid) &&
        ::fchown(file.Get(), status->st_uid, status->st_gid) != 0) {
      return Outcome::kNotPermitted;
    }
    if (!CopyAttributes(existing, file.Get())) return Outcome::kNotPermitted;
    if (::fchmod(file.Get(), status->st_mode & 07777) != 0) {
      return Outcome::kNotPermitted;
    }
  }
  if (!Sync(file.Get())) return Outcome::kFailed;
  if (!file.Name()) {
    if (file.Error() == ENOENT) unnamed_files = false;
    return Outcome::kFailed;
  }
  if (!file.RenameOver(name)) {
    return NotPermitted(errno) ? Outcome::kNotPermitted : Outcome::kFailed;
  }
  return Outcome::kReplaced;
}

// Replaces `name` in `directory` with the bytes through a temporary file:
// with the owner, attributes and mode of `existing` (`status`), or, for a
// new file, with `mode` as a plain open gives it. An unnamed temporary file
// that cannot be linked is written again under a name.
Outcome ReplaceAtomically(int directory, const std::string& name, int existing,
                          const struct stat* status, mode_t mode,
                          const std::vector<unsigned char>& bytes) {
  for (const bool unnamed : {true, false}) {
    if (unnamed && !unnamed_files) continue;
    Temporary file(directory, name, mode, unnamed);
    const Outcome outcome = WriteAndRename(file, name, existing, status, bytes);
    if (outcome != Outcome::kFailed || !unnamed || unnamed_files) {
      return outcome;
    }
  }
  return Outcome::kFailed;
}

// Finds the directory in which the kernel found the open file `fd` and its
// name there: the working directory when "record" is the file itself, else
// (a symbolic link) the directory of the path that the system gives for the
// descriptor. The name found must still be the file, so that a rename there
// replaces it and nothing else.
bool Locate(int fd, const struct stat& status, Descriptor& directory,
            std::string& name) {
  if (NameIsFile(AT_FDCWD, kFileName, status)) {
    directory.Reset(::open(".", kDirectoryFlags));
    name = kFileName;
    return directory.Valid();
  }
#ifdef __linux__
  std::string path(256, '\0');
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), &path[0], path.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.rfind('/');
  if (path.empty() || path[0] != '/' || slash == std::string::npos) {
    return false;
  }
  name = path.substr(slash + 1);
  directory.Reset(::open(slash == 0 ? "/" : path.substr(0, slash).c_str(),
                         kDirectoryFlags));
  return directory.Valid() && NameIsFile(directory.Get(), name, status);
#else
  (void)fd;
  return false;
#endif
}

// Replaces the open regular file `existing` with the bytes.
void ReplaceExisting(int existing, const struct stat& status,
                     const std::vector<unsigned char>& bytes) {
  Descriptor directory;
  std::string name;
  // Where the directory cannot be found (no /proc to ask), the file is
  // written as opening it would.
  if (!Locate(existing, status, directory, name)) {
    return WriteInPlace(existing, bytes);
  }
  RemoveStaleTemporaries(directory.Get(), name);
  // Every hard link of the file sees the record only when it is written in
  // place.
  // Unreadable to others until it has the old file's mode.
  if (status.st_nlink > 1 ||
      ReplaceAtomically(directory.Get(), name, existing, &status, 0600,
                        bytes) == Outcome::kNotPermitted) {
    WriteInPlace(existing, bytes);
  }
}

void ReplaceImpl(const std::vector<unsigned char>& bytes) {
  // The kernel follows a symbolic link here, with every check that it makes
  // on opening (protected links in sticky directories among them).
  Descriptor existing(
      ::open(kFileName, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (existing.Valid()) {
    struct stat status {};
    // A read-only file stays as it is, also for root, whom the mode does
    // not stop from opening it.
    if (::fstat(existing.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        (status.st_mode & 0222) == 0) {
      return;
    }
    return ReplaceExisting(existing.Get(), status, bytes);
  }
  // Only a missing file is made; one that cannot be opened for writing
  // stays as it is.
  if (errno != ENOENT) return;
  struct stat link {};
  if (::lstat(kFileName, &link) == 0) {
    if (!S_ISLNK(link.st_mode)) return;
    // A link to a missing file: the kernel makes the file as opening would,
    // and the record replaces it. An empty file is removed again when the
    // record cannot be written.
    existing.Reset(
        ::open(kFileName,
               O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    struct stat status {};
    if (!existing.Valid() || ::fstat(existing.Get(), &status) != 0 ||
        !S_ISREG(status.st_mode)) {
      return;
    }
    ReplaceExisting(existing.Get(), status, bytes);
    struct stat after {};
    Descriptor directory;
    std::string name;
    if (!bytes.empty() && ::fstat(existing.Get(), &after) == 0 &&
        after.st_size == 0 && Locate(existing.Get(), after, directory, name)) {
      ::unlinkat(directory.Get(), name.c_str(), 0);
    }
    return;
  }
  Descriptor directory(::open(".", kDirectoryFlags));
  if (!directory.Valid()) return;
  RemoveStaleTemporaries(directory.Get(), kFileName);
  // A new file gets what a plain open gives: 0666 less the umask (or the
  // directory's default ACL).
  (void)ReplaceAtomically(directory.Get(), kFileName, -1, nullptr, 0666, bytes);
}

}  // namespace

void Replace(const std::vector<unsigned char>& bytes) { ReplaceImpl(bytes); }

}  // namespace record_file
}  // namespace BioAPI_Data
