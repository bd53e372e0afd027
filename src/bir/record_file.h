// The file "record" that BIR::ToArray leaves in the working directory.
#ifndef BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
#define BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_

#include <vector>

namespace BioAPI_Data {
namespace record_file {

/// Leaves `bytes` in the file "record" of the working directory, as opening
/// it for writing would, and atomically where the system allows it:
///
/// - A symbolic link is followed; its target receives the bytes, and the
///   temporary file lies in the target's directory.
/// - An existing regular file that cannot be opened for writing (read-only
///   mode or attribute) and anything that is not a regular file (a
///   directory, a FIFO) are left untouched.
/// - An existing file is replaced by a temporary file renamed over it, which
///   first takes the file's owner, group and permission bits (on Windows the
///   replacement takes the file's attributes and security). Where that is
///   impossible (no temporary file can be made beside it, the owner cannot
///   be kept, the rename fails) and where the file has more than one hard
///   link (a rename would leave the other names with the old record), the
///   file is written in place: truncated, written, closed.
/// - A new file is made through a temporary file too, with the mode that a
///   plain open would give it (0666 less the umask).
///
/// Failures are not reported; no temporary file outlives the call. The
/// replacement is atomic for readers but not synced to the disk.
void Replace(const std::vector<unsigned char>& bytes);

}  // namespace record_file
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_SRC_BIR_RECORD_FILE_H_
