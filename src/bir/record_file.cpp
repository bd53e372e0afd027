// Writing the file "record": the system calls of POSIX and of Windows.
// 64-bit file offsets and directory cookies also in a 32-bit build, before
// any header: readdir would otherwise stop early on a file system that hands
// out 64-bit cookies, and fstat fail on a large file. Nothing of it crosses
// this file's interface.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64
#endif

#include "bir/record_file.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <mutex>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#endif

namespace BioAPI_Data {
namespace record_file {
namespace {

constexpr char kFileName[] = "record";

// A name for a temporary file beside `base` that no other thread or process
// picks: a per-thread random stream seeded from the system's entropy, the
// thread and the clock, plus a process-wide counter.
std::string TemporaryName(const std::string& base) {
  thread_local std::mt19937_64 stream([] {
    // The system's entropy may be unavailable (random_device may throw);
    // the thread and the clock still tell this stream from the others.
    std::uint32_t entropy[4] = {};
    try {
      std::random_device device;
      for (auto& word : entropy) word = device();
    } catch (...) {
    }
    std::seed_seq seed{
        entropy[0],
        entropy[1],
        entropy[2],
        entropy[3],
        static_cast<std::uint32_t>(
            std::hash<std::thread::id>{}(std::this_thread::get_id())),
        static_cast<std::uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }());
  static std::atomic<std::uint64_t> counter{0};
  return base + "." + std::to_string(stream()) + "." +
         std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) +
         ".tmp";
}

// Whether `name` is one that TemporaryName(`base`) makes:
// base.DIGITS.DIGITS.tmp.
template <typename Char>
bool IsTemporaryName(const std::basic_string<Char>& name,
                     const std::basic_string<Char>& base) {
  const std::basic_string<Char> suffix = {'.', 't', 'm', 'p'};
  if (name.size() < base.size() + 4 + suffix.size() ||
      name.compare(0, base.size(), base) != 0 || name[base.size()] != '.' ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  int numbers = 0;
  std::size_t digits = 0;
  for (std::size_t i = base.size() + 1; i < name.size() - suffix.size(); ++i) {
    if (name[i] >= '0' && name[i] <= '9') {
      ++digits;
    } else if (name[i] == '.' && digits > 0 && numbers == 0) {
      ++numbers;
      digits = 0;
    } else {
      return false;
    }
  }
  return numbers == 1 && digits > 0;
}

// Attempts at a fresh temporary name before giving up on one.
constexpr int kNameAttempts = 8;

#ifdef _WIN32

// Windows refuses to rename over a file that another handle holds open, which
// the threads of one process would otherwise do to each other.
std::mutex replace_mutex;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    if (!Valid()) return true;
    const bool closed = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

HANDLE OpenForWriting(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE h, const std::vector<unsigned char>& bytes) {
  const unsigned char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk =
        static_cast<DWORD>(left < 0x40000000u ? left : 0x40000000u);
    DWORD written = 0;
    if (!WriteFile(h, next, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    next += written;
    left -= written;
  }
  return true;
}

// Writes the bytes over the open file. The space is taken first (the file
// grown to the new size), so that a full disk leaves the old record whole;
// then the bytes from the start, then the end cut where the record ends.
void WriteInPlace(HANDLE h, const std::vector<unsigned char>& bytes) {
  LARGE_INTEGER old_size{};
  if (!GetFileSizeEx(h, &old_size)) return;
  LARGE_INTEGER new_size{};
  new_size.QuadPart = static_cast<LONGLONG>(bytes.size());
  if (new_size.QuadPart > old_size.QuadPart) {
    if (!SetFilePointerEx(h, new_size, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(h)) {
      // Back to the old size, in case the file grew part of the way.
      if (SetFilePointerEx(h, old_size, nullptr, FILE_BEGIN)) SetEndOfFile(h);
      return;
    }
  }
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !WriteAll(h, bytes)) {
    return;
  }
  SetEndOfFile(h);
}

void WriteInPlace(const std::wstring& path,
                  const std::vector<unsigned char>& bytes) {
  Handle file(OpenForWriting(path));
  if (file.Valid()) WriteInPlace(file.Get(), bytes);
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// A live writer's mark on its temporary file, which tells the clean-up in
// other processes to leave the file alone: a named mutex, which lives while
// the writer holds it and dies with the writer. The file's own sharing
// cannot tell it: the writer closes the file before it renames it, since
// ReplaceFileW wants the replacement to itself. The global namespace reaches
// the other sessions of the machine; the session's own is for a process
// that may not use it.
constexpr const wchar_t* kMarkScopes[] = {L"Global\\", L"Local\\"};

std::wstring MarkName(const wchar_t* scope, const std::wstring& file_name) {
  return scope + std::wstring(L"BioAPI_Data.") + file_name;
}

class Mark {
 public:
  Mark() = default;
  ~Mark() { Release(); }
  Mark(const Mark&) = delete;
  Mark& operator=(const Mark&) = delete;
  // Marks the temporary file `file_name`, dropping the mark held before.
  void Reset(const std::wstring& file_name) {
    Release();
    for (const wchar_t* scope : kMarkScopes) {
      h_ = CreateMutexW(nullptr, FALSE, MarkName(scope, file_name).c_str());
      if (h_ != nullptr) return;
    }
  }

 private:
  void Release() {
    if (h_ != nullptr) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE h_ = nullptr;
};

// Whether a live writer may hold the temporary file `file_name`: its mark
// exists, or something under the mark's name cannot be looked at.
bool Marked(const std::wstring& file_name) {
  for (const wchar_t* scope : kMarkScopes) {
    const HANDLE mark =
        OpenMutexW(SYNCHRONIZE, FALSE, MarkName(scope, file_name).c_str());
    if (mark != nullptr) {
      CloseHandle(mark);
      return true;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return true;
  }
  return false;
}

// Removes the temporary files that calls killed before they finished left in
// `directory` (empty or ending in a separator): only regular files (no
// directory, link or other reparse point) of this writer's naming, that no
// live writer marks and nothing else holds open. Each is opened alone, which
// fails while any other handle reads, writes or deletes it, checked, and
// deleted through that handle, so that no other file can take its name
// meanwhile.
void RemoveStaleTemporaries(const std::wstring& directory) {
  const std::wstring base = Widen(kFileName);
  WIN32_FIND_DATAW found{};
  const HANDLE search =
      FindFirstFileExW((directory + base + L".*.tmp").c_str(), FindExInfoBasic,
                       &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY |
                                FILE_ATTRIBUTE_REPARSE_POINT |
                                FILE_ATTRIBUTE_DEVICE;
  do {
    // The pattern also matches short names and any case: the long name must
    // be the writer's own.
    const std::wstring name = found.cFileName;
    if (!IsTemporaryName(name, base) ||
        (found.dwFileAttributes & kNotRegular) != 0 || Marked(name)) {
      continue;
    }
    Handle file(CreateFileW(
        (directory + name).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & kNotRegular) != 0) {
      continue;
    }
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose,
                               sizeof dispose);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// What became of a temporary file.
enum class Temporary {
  kWritten,
  kFailed,        // made but not written (a full disk): removed again
  kNotPermitted,  // this user may not make a file in the directory
};

// Makes a new temporary file in `directory` (empty or ending in a separator)
// holding the bytes, and sets `path` to it when written. `mark` marks it
// from before it is made; the caller holds the mark until the file is
// renamed or removed.
Temporary WriteTemporary(const std::wstring& directory,
                         const std::vector<unsigned char>& bytes,
                         std::wstring& path, Mark& mark) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::wstring name = Widen(TemporaryName(kFileName));
    mark.Reset(name);
    path = directory + name;
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) continue;
      return error == ERROR_ACCESS_DENIED ? Temporary::kNotPermitted
                                          : Temporary::kFailed;
    }
    const bool written = WriteAll(file.Get(), bytes);
    if (file.Close() && written) return Temporary::kWritten;
    DeleteFileW(path.c_str());
    return Temporary::kFailed;
  }
  return Temporary::kFailed;
}

// The path that the open handle reaches, links resolved; empty when the
// system cannot tell.
std::wstring FinalPath(HANDLE h) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = GetFinalPathNameByHandleW(
        h, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.assign(n, L'\0');
  }
  return {};
}

void ReplaceImpl(const std::vector<unsigned char>& bytes) {
  const std::wstring name = Widen(kFileName);
  Handle existing(OpenForWriting(name));
  if (!existing.Valid()) {
    // Only a missing file is made; one that cannot be opened for writing
    // (the read-only attribute, a directory, a lock) stays as it is.
    // A file that cannot be made beside it cannot be made under the name
    // either.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return;
    RemoveStaleTemporaries(L"");
    std::wstring temporary;
    Mark mark;
    if (WriteTemporary(L"", bytes, temporary, mark) == Temporary::kWritten &&
        !MoveFileExW(temporary.c_str(), name.c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
      DeleteFileW(temporary.c_str());
    }
    return;
  }

  // Windows refuses to open a read-only file for writing; Wine, run by root,
  // may not, so the attribute is checked here too.
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(existing.Get(), &info) ||
      (info.dwFileAttributes &
       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return;
  }
  std::wstring target = FinalPath(existing.Get());
  if (target.empty()) target = name;
  const std::size_t separator = target.find_last_of(L"\\/");
  const std::wstring directory = separator == std::wstring::npos
                                     ? std::wstring()
                                     : target.substr(0, separator + 1);
  RemoveStaleTemporaries(directory);
  // Every hard link of the file sees the record only when it is written in
  // place.
  if (info.nNumberOfLinks > 1) return WriteInPlace(existing.Get(), bytes);

  std::wstring temporary;
  Mark mark;
  switch (WriteTemporary(directory, bytes, temporary, mark)) {
    case Temporary::kWritten:
      break;
    case Temporary::kFailed:
      // A write failed: the old record stays as it is.
      return;
    case Temporary::kNotPermitted:
      return WriteInPlace(existing.Get(), bytes);
  }
  // ReplaceFileW gives the new file the attributes and the security of the
  // one it replaces; no handle of this process may stay open on it.
  existing.Close();
  if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, 0, nullptr,
                   nullptr)) {
    return;
  }
  if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    // The old file is gone and the new one still has its temporary name.
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
      DeleteFileW(temporary.c_str());
    }
    return;
  }
  const DWORD error = GetLastError();
  DeleteFileW(temporary.c_str());
  // The file cannot be replaced (held open by another program without
  // sharing its deletion, or this user may not delete it): it is written as
  // opening it would. Any other failure leaves it as it is.
  if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
      error == ERROR_UNABLE_TO_REMOVE_REPLACED) {
    WriteInPlace(target, bytes);
  }
}

#else  // POSIX

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
// shows. The space is taken before the old record is touched, so that a full
// disk leaves it whole; writers of this library take turns through a lock.
// Not atomic: a reader, or a crash, may meet a mix of the two records.
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
}

// Removes the temporary files that calls killed before they finished left
// beside `base` in `directory`: only regular files of this writer's naming,
// of this user (any, for root), and only those that no writer holds, since a
// live writer locks its temporary file until it renames it.
void RemoveStaleTemporaries(int directory, const std::string& base) {
  const int listing =
      ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  const uid_t user = ::geteuid();
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryName(name, base)) continue;
    Descriptor file(
        ::openat(directory, name.c_str(),
                 O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
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
  ::closedir(entries);
}

// A new temporary file beside `base` in `directory`, locked for as long as
// it is open, and unlinked on destruction unless it was renamed.
class Temporary {
 public:
  Temporary(int directory, const std::string& base, mode_t mode)
      : directory_(directory) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      name_ = TemporaryName(base);
      file_.Reset(::openat(directory, name_.c_str(),
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
          NameIsFile(directory, name_, status)) {
        return;
      }
      file_.Close();
      error_ = EEXIST;
    }
  }
  ~Temporary() {
    if (file_.Valid()) ::unlinkat(directory_, name_.c_str(), 0);
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  bool Valid() const { return file_.Valid(); }
  int Get() const { return file_.Get(); }
  // Why no file was made: an errno value.
  int Error() const { return error_; }
  // Renames the file over `name`; false when that fails, with errno set.
  bool RenameOver(const std::string& name) {
    if (::renameat(directory_, name_.c_str(), directory_, name.c_str()) != 0) {
      return false;
    }
    // The rename has taken the name; closing drops the lock.
    file_.Close();
    return true;
  }

 private:
  int directory_;
  std::string name_;
  Descriptor file_;
  int error_ = 0;
};

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

// Writes the bytes to a temporary file beside `name` in `directory`, gives it
// the owner, group, extended attributes and mode of the open file `existing`
// (`status`), the mode last since a write and a change of owner clear the
// set-id bits, and renames it over `name`.
Outcome ReplaceAtomically(int directory, const std::string& name, int existing,
                          const struct stat& status,
                          const std::vector<unsigned char>& bytes) {
  // Unreadable to others until it has the old file's mode.
  Temporary file(directory, name, 0600);
  if (!file.Valid()) {
    return NotPermitted(file.Error()) ? Outcome::kNotPermitted
                                      : Outcome::kFailed;
  }
  if (!WriteAllAt(file.Get(), bytes.data(), bytes.size(), 0)) {
    return Outcome::kFailed;
  }
  struct stat made {};
  if (::fstat(file.Get(), &made) != 0) return Outcome::kFailed;
  if ((made.st_uid != status.st_uid || made.st_gid != status.st_gid) &&
      ::fchown(file.Get(), status.st_uid, status.st_gid) != 0) {
    return Outcome::kNotPermitted;
  }
  if (!CopyAttributes(existing, file.Get())) return Outcome::kNotPermitted;
  if (::fchmod(file.Get(), status.st_mode & 07777) != 0) {
    return Outcome::kNotPermitted;
  }
  if (!file.RenameOver(name)) {
    return NotPermitted(errno) ? Outcome::kNotPermitted : Outcome::kFailed;
  }
  return Outcome::kReplaced;
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
  if (status.st_nlink > 1 ||
      ReplaceAtomically(directory.Get(), name, existing, status, bytes) ==
          Outcome::kNotPermitted) {
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
  Temporary file(directory.Get(), kFileName, 0666);
  if (file.Valid() && WriteAllAt(file.Get(), bytes.data(), bytes.size(), 0)) {
    file.RenameOver(kFileName);
  }
}

#endif

}  // namespace

void Replace(const std::vector<unsigned char>& bytes) {
#ifdef _WIN32
  const std::lock_guard<std::mutex> lock(replace_mutex);
#endif
  ReplaceImpl(bytes);
}

}  // namespace record_file
}  // namespace BioAPI_Data
