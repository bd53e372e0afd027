// The annotated dump of a record: where each field lies, what it holds and
// its bytes.
#ifndef BIOAPI_DATA_TOOLS_BIR_DUMP_H_
#define BIOAPI_DATA_TOOLS_BIR_DUMP_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "record_walk.h"

namespace bir_tool {

/// One line of the dump: where a field lies, its name, value and first bytes.
struct DumpRow {
  std::size_t offset;  ///< Where the field begins in the record.
  std::size_t length;  ///< Bytes of the field.
  std::string name;    ///< E.g. `BDBQuality`, `BDBValidityPeriod.start`.
  std::string value;   ///< The decoded value, with enumeration names.
  std::string bytes;   ///< The field's first bytes in hex.
};

/// Returns the rows of the dump of `walked` (the walk of `bytes`): one per
/// field read, in record order, and one for any bytes after the last field
/// of an accepted record.
std::vector<DumpRow> DumpRows(const std::vector<unsigned char>& bytes,
                              const WalkedRecord& walked);

/// Writes one line per field of `walked` (the walk of `bytes`): offset,
/// length, name, decoded value and raw bytes, the BDB and SB with their
/// lengths and first bytes, and any bytes after the last field.
void WriteDump(const std::vector<unsigned char>& bytes,
               const WalkedRecord& walked, std::ostream& out);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_DUMP_H_
