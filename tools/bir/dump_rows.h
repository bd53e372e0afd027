// The rows of the annotated dump of a record: where each field lies, what it
// holds and its first bytes. Plain data, no output: the command line prints
// them and the browser inspector shows them.
#ifndef BIOAPI_DATA_TOOLS_BIR_DUMP_ROWS_H_
#define BIOAPI_DATA_TOOLS_BIR_DUMP_ROWS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "record_walk.h"

namespace bir_tool {

/// One row of the dump: a field, half a validity period, or the bytes after
/// the last field.
struct DumpRow {
  std::size_t offset;  ///< Where the row's bytes begin in the record.
  std::size_t length;  ///< Bytes of the row.
  /// The field; none for the bytes after the last field.
  std::optional<FieldId> field;
  int element;        ///< A validity period's 0 (start) or 1 (end); else -1.
  std::string name;   ///< E.g. `BDBQuality`, `BDBValidityPeriod.start`.
  std::string value;  ///< The decoded value, with enumeration names.
  std::string bytes;  ///< The first bytes in hex.
  /// The check that rejects the record at this field, or null.
  const char* check;
  /// False for the field that the walk stopped in: its row runs to the end of
  /// the record and has no value.
  bool whole;
};

/// Returns the rows of the dump of `walked` (the walk of `bytes`): one per
/// field read, in record order, two for a validity period; for an accepted
/// record one for any bytes after the last field; for a rejected record the
/// failing check on the row of its field, which is added when the walk
/// stopped inside it.
std::vector<DumpRow> DumpRows(const std::vector<unsigned char>& bytes,
                              const WalkedRecord& walked);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_DUMP_ROWS_H_
