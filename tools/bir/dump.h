// The annotated dump of a record as text.
#ifndef BIOAPI_DATA_TOOLS_BIR_DUMP_H_
#define BIOAPI_DATA_TOOLS_BIR_DUMP_H_

#include <ostream>

#include "bioapi_data/inspect.h"

namespace bir_tool {

/// Writes one line per row of `walk`: offset, length, name, decoded value and
/// raw bytes, the BDB and SB with their lengths and first bytes, and any
/// bytes after the last field.
void WriteDump(const BioAPI_Data::inspect::Walk& walk, std::ostream& out);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_DUMP_H_
