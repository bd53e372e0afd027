// The annotated dump of a record as text.
#ifndef BIOAPI_DATA_TOOLS_BIR_DUMP_H_
#define BIOAPI_DATA_TOOLS_BIR_DUMP_H_

#include <ostream>
#include <vector>

#include "record_walk.h"

namespace bir_tool {

/// Writes one line per field of `walked` (the walk of `bytes`): offset,
/// length, name, decoded value and raw bytes, the BDB and SB with their
/// lengths and first bytes, and any bytes after the last field.
void WriteDump(const std::vector<unsigned char>& bytes,
               const WalkedRecord& walked, std::ostream& out);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_DUMP_H_
