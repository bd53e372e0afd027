// The file "record" that BIR::ToArray leaves in the working directory. One
// interface, written once for POSIX systems (record_file_posix.cpp) and once
// for Windows (record_file_windows.cpp); the build compiles one of them.
#ifndef BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
#define BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_

#include <string>
#include <vector>

namespace BioAPI_Data {
namespace record_file {

/// Leaves `bytes` in the file "record" of the working directory, as opening
/// it for writing would, atomically where the system allows it, and synced
/// to the disk before it returns:
///
/// - The kernel opens the name, following a symbolic link with its own
///   checks; the file that it opened is then found in its directory (through
///   /proc on Linux), where the temporary file is made and renamed.
/// - Anything but a regular file, a file that cannot be opened for writing,
///   and a file whose mode grants writing to no one (also for root) are left
///   untouched.
/// - A file with one link is replaced by a temporary file renamed over it,
///   which takes its owner, group, access ACL and other extended attributes,
///   then its mode with the set-id bits (last: a write or a change of owner
///   clears them). A new file is made the same way, with the mode of a plain
///   open. The temporary file is synced before the rename and the directory
///   after it. A failed write removes the temporary file and keeps the old
///   one.
/// - Where this user may write the file but not replace it (no file may be
///   made beside it, its owner or ACL cannot be given, the rename is not
///   permitted), and where it has several hard links, it is written in
///   place under an advisory lock, its space taken before the old bytes are
///   touched, and synced. Never after a failed write.
/// - On Linux the temporary file has no name until it is whole (O_TMPFILE),
///   so a killed call leaves nothing. Elsewhere, and where the file system
///   has no unnamed files, it is named from the start; a later call removes
///   such files that killed calls left, by trying the few names that
///   writers use rather than by reading the directory (see TemporaryName).
///
/// Failures are not reported.
void Replace(const std::vector<unsigned char>& bytes);

namespace internal {

/// The name of the file that Replace writes.
inline constexpr char kFileName[] = "record";

/// Slots of temporary file names that a writer tries before giving up.
inline constexpr unsigned kSlots = 256;

/// Free slots in a row after which the search for stale temporary files
/// stops: the slots in use are the lowest ones, so a later call finds what a
/// killed one left within the writers at work plus this many names.
inline constexpr unsigned kSlotGap = 4;

/// The name of the temporary file in `slot` beside `base`: base.SLOT.tmp.
/// Every writer takes the lowest slot free.
template <typename Char>
std::basic_string<Char> TemporaryName(const std::basic_string<Char>& base,
                                      unsigned slot) {
  std::basic_string<Char> name = base;
  name += Char('.');
  for (const char digit : std::to_string(slot)) name += Char(digit);
  for (const char c : {'.', 't', 'm', 'p'}) name += Char(c);
  return name;
}

}  // namespace internal
}  // namespace record_file
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
