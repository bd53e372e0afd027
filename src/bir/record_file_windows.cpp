// Writing the file "record" on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <mutex>
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

// Writes the bytes over the open file and flushes it. The space is taken
// first (the file grown to the new size), so that a full disk leaves the old
// record whole; then the bytes from the start, then the end cut where the
// record ends.
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
  FlushFileBuffers(h);
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
// ReplaceFileW wants the replacement to itself. The mark is named by the
// file's identity (its volume and index), which no other file shares and
// which every path to it gives alike. The global namespace reaches the other
// sessions of the machine; the session's own is for a process that may not
// use it.
constexpr const wchar_t* kMarkScopes[] = {L"Global\\", L"Local\\"};

std::wstring MarkName(const wchar_t* scope,
                      const BY_HANDLE_FILE_INFORMATION& file) {
  const unsigned long long index =
      (static_cast<unsigned long long>(file.nFileIndexHigh) << 32) |
      file.nFileIndexLow;
  return scope + std::wstring(L"BioAPI_Data.") +
         std::to_wstring(file.dwVolumeSerialNumber) + L"." +
         std::to_wstring(index);
}

class Mark {
 public:
  Mark() = default;
  ~Mark() { Release(); }
  Mark(const Mark&) = delete;
  Mark& operator=(const Mark&) = delete;
  // Marks the open temporary file `file`, dropping the mark held before.
  // False when no mark could be made.
  bool Reset(HANDLE file) {
    Release();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    for (const wchar_t* scope : kMarkScopes) {
      h_ = CreateMutexW(nullptr, FALSE, MarkName(scope, info).c_str());
      if (h_ != nullptr) return true;
    }
    return false;
  }

 private:
  void Release() {
    if (h_ != nullptr) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE h_ = nullptr;
};

// Whether a live writer may hold the temporary file `file`: its mark
// exists, or something under the mark's name cannot be looked at.
bool Marked(const BY_HANDLE_FILE_INFORMATION& file) {
  for (const wchar_t* scope : kMarkScopes) {
    const HANDLE mark =
        OpenMutexW(SYNCHRONIZE, FALSE, MarkName(scope, file).c_str());
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
// live writer marks and nothing else holds open. The names are tried slot
// by slot until kSlotGap in a row are free, never by reading the directory,
// so that the cost follows the writers at work and not the files beside
// them. Each is opened alone, which fails while any other handle reads,
// writes or deletes it, checked, and deleted through that handle, so that no
// other file can take its name meanwhile.
void RemoveStaleTemporaries(const std::wstring& directory) {
  const std::wstring base = Widen(kFileName);
  constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY |
                                FILE_ATTRIBUTE_REPARSE_POINT |
                                FILE_ATTRIBUTE_DEVICE;
  for (unsigned slot = 0, vacant = 0; slot < kSlots && vacant < kSlotGap;
       ++slot) {
    const std::wstring path = directory + TemporaryName(base, slot);
    Handle file(CreateFileW(
        path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
      const DWORD error = GetLastError();
      vacant = error == ERROR_FILE_NOT_FOUND ? vacant + 1 : 0;
      continue;
    }
    vacant = 0;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & kNotRegular) != 0 || Marked(info)) {
      continue;
    }
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose,
                               sizeof dispose);
  }
}

// What became of a temporary file.
enum class Temporary {
  kWritten,
  kFailed,        // made but not written (a full disk): removed again
  kNotPermitted,  // this user may not make a file in the directory
};

// Makes a new temporary file in `directory` (empty or ending in a
// separator) under the lowest free slot, holding the bytes and flushed to the
// disk, and sets `path` to it when written. `mark` marks it from before the
// file is let go; the caller holds the mark until the file is renamed or
// removed.
Temporary WriteTemporary(const std::wstring& directory,
                         const std::vector<unsigned char>& bytes,
                         std::wstring& path, Mark& mark) {
  const std::wstring base = Widen(kFileName);
  for (unsigned slot = 0; slot < kSlots; ++slot) {
    path = directory + TemporaryName(base, slot);
    // Held alone until it is closed, so that no clean-up can open it before
    // it is marked.
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_SHARING_VIOLATION ||
          error == ERROR_ACCESS_DENIED) {
        // A name that another writer or something else holds; a directory
        // that this user may not write refuses every slot alike.
        if (error != ERROR_ACCESS_DENIED ||
            GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
          continue;
        }
        return Temporary::kNotPermitted;
      }
      return Temporary::kFailed;
    }
    const bool written = mark.Reset(file.Get()) &&
                         WriteAll(file.Get(), bytes) &&
                         FlushFileBuffers(file.Get());
    if (file.Close() && written) return Temporary::kWritten;
    DeleteFileW(path.c_str());
    return Temporary::kFailed;
  }
  return Temporary::kFailed;
}

// Flushes the file that `path` names, once renamed there: on NTFS this also
// commits the journal that holds the rename.
void FlushName(const std::wstring& path) {
  Handle file(
      CreateFileW(path.c_str(), GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Valid()) FlushFileBuffers(file.Get());
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
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
  // It has no write-through; the file is flushed again under its name.
  if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, 0, nullptr,
                   nullptr)) {
    FlushName(target);
    return;
  }
  if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    // The old file is gone and the new one still has its temporary name.
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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

}  // namespace

void Replace(const std::vector<unsigned char>& bytes) {
  const std::lock_guard<std::mutex> lock(replace_mutex);
  ReplaceImpl(bytes);
}

}  // namespace record_file
}  // namespace BioAPI_Data
