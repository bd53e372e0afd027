// The file "record" that BIR::ToArray leaves in the working directory.
#ifndef BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
#define BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_

#include <vector>

namespace BioAPI_Data {
namespace record_file {

/// Leaves `bytes` in the file "record" of the working directory, as opening
/// it for writing would, and atomically where the system allows it:
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
///   open. A failed write removes the temporary file and keeps the old one.
/// - Where this user may write the file but not replace it (no file may be
///   made beside it, its owner or ACL cannot be given, the rename is not
///   permitted), and where it has several hard links, it is written in
///   place under an advisory lock, its space taken before the old bytes are
///   touched. Never after a failed write.
/// - Temporary files of this naming that killed calls left beside the file,
///   regular ones that no live writer holds (a lock on POSIX, a named mark
///   on Windows, where nothing else may hold them open either), are
///   removed.
///
/// Failures are not reported. Not synced to the disk.
void Replace(const std::vector<unsigned char>& bytes);

}  // namespace record_file
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
