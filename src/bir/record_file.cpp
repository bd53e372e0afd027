// Writing the file "record": the system calls of POSIX and of Windows.
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Truncates the open file and writes the bytes into it.
void WriteInPlace(HANDLE h, const std::vector<unsigned char>& bytes) {
  LARGE_INTEGER start{};
  if (SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && SetEndOfFile(h)) {
    WriteAll(h, bytes);
  }
}

void WriteInPlace(const std::wstring& path,
                  const std::vector<unsigned char>& bytes) {
  Handle file(OpenForWriting(path));
  if (file.Valid()) WriteInPlace(file.Get(), bytes);
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// Makes a new temporary file in `directory` (empty or ending in a separator)
// holding the bytes; returns its path, or an empty path when none can be
// made or written.
std::wstring WriteTemporary(const std::wstring& directory,
                            const std::vector<unsigned char>& bytes) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::wstring path = directory + Widen(TemporaryName(kFileName));
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return {};
    }
    const bool written = WriteAll(file.Get(), bytes);
    if (file.Close() && written) return path;
    DeleteFileW(path.c_str());
    return {};
  }
  return {};
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
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return;
    const std::wstring temporary = WriteTemporary(L"", bytes);
    if (temporary.empty()) {
      Handle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file.Valid()) WriteAll(file.Get(), bytes);
    } else if (!MoveFileExW(temporary.c_str(), name.c_str(),
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
  // Every hard link of the file sees the record only when it is written in
  // place.
  if (info.nNumberOfLinks > 1) return WriteInPlace(existing.Get(), bytes);
  std::wstring target = FinalPath(existing.Get());
  if (target.empty()) target = name;
  const std::size_t separator = target.find_last_of(L"\\/");
  const std::wstring directory = separator == std::wstring::npos
                                     ? std::wstring()
                                     : target.substr(0, separator + 1);

  const std::wstring temporary = WriteTemporary(directory, bytes);
  if (temporary.empty()) return WriteInPlace(existing.Get(), bytes);
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
  DeleteFileW(temporary.c_str());
  WriteInPlace(target, bytes);
}

#else  // POSIX

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::vector<unsigned char>& bytes) {
  const unsigned char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, next, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    next += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Truncates the open file and writes the bytes into it.
void WriteInPlace(int fd, const std::vector<unsigned char>& bytes) {
  if (::ftruncate(fd, 0) == 0) WriteAll(fd, bytes);
}

// The path that opening `path` reaches: symbolic links are followed, a
// relative target read from the link's directory. Nothing when the links
// loop or cannot be read.
bool FollowLinks(std::string& path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      return true;
    }
    std::string target(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(path.c_str(), &target[0], target.size());
      if (n < 0) return false;
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (target.empty()) return false;
    if (target[0] == '/') {
      path = target;
    } else {
      const std::size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string()
                                         : path.substr(0, slash + 1)) +
             target;
    }
  }
  return false;
}

// Makes a new file beside `path` with `mode` (less the umask); returns its
// descriptor and sets `temporary` to its name, or returns -1.
int CreateTemporary(const std::string& path, mode_t mode,
                    std::string& temporary) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryName(path);
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes the bytes to a temporary file beside `path`, gives it the owner and
// mode of `existing` (when given), and renames it over `path`. Answers
// false, having changed nothing, where the replacement is impossible.
// A write that fails leaves the file as it was, and answers true.
bool ReplaceAtomically(const std::string& path, const struct stat* existing,
                       const std::vector<unsigned char>& bytes) {
  std::string temporary;
  // A new file gets what a plain open gives; a replacement holds the record
  // unreadable to others until it has the old file's mode.
  const mode_t mode = existing != nullptr ? mode_t{0600} : mode_t{0666};
  Descriptor file(CreateTemporary(path, mode, temporary));
  if (!file.Valid()) return false;
  bool keeps = true;
  if (existing != nullptr) {
    struct stat made {};
    keeps = ::fstat(file.Get(), &made) == 0;
    // Owner first: a change of owner clears the set-id bits.
    if (keeps &&
        (made.st_uid != existing->st_uid || made.st_gid != existing->st_gid)) {
      keeps = ::fchown(file.Get(), existing->st_uid, existing->st_gid) == 0;
    }
    keeps = keeps && ::fchmod(file.Get(), existing->st_mode & 07777) == 0;
  }
  if (!keeps) {
    file.Close();
    ::unlink(temporary.c_str());
    return false;
  }
  const bool written = WriteAll(file.Get(), bytes);
  if (!file.Close() || !written) {
    ::unlink(temporary.c_str());
    return true;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void ReplaceImpl(const std::vector<unsigned char>& bytes) {
  std::string path = kFileName;
  if (!FollowLinks(path)) return;
  Descriptor existing(
      ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!existing.Valid()) {
    // Only a missing file is made; one that cannot be opened for writing
    // stays as it is.
    if (errno != ENOENT) return;
    if (!ReplaceAtomically(path, nullptr, bytes)) {
      Descriptor file(
          ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
      if (file.Valid()) WriteAll(file.Get(), bytes);
    }
    return;
  }
  struct stat status {};
  if (::fstat(existing.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return;
  }
  // Every hard link of the file sees the record only when it is written in
  // place.
  if (status.st_nlink > 1 || !ReplaceAtomically(path, &status, bytes)) {
    WriteInPlace(existing.Get(), bytes);
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
