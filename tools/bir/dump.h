// The annotated dump of a record as text.
#ifndef BIOAPI_DATA_TOOLS_BIR_DUMP_H_
#define BIOAPI_DATA_TOOLS_BIR_DUMP_H_

#include <ostream>

#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"

namespace bir_tool {

/// Writes one line per row of `walk`: offset, length, name, decoded value and
/// raw bytes, the BDB and SB with their lengths and first bytes, and any
/// bytes after the last field. The rows of `bdb`, the summary of the BDB,
/// follow BiometricData, indented by their depth; its notes follow the rows.
void WriteDump(const BioAPI_Data::inspect::Walk& walk,
               const BioAPI_Data::inspect::BdbSummary& bdb, std::ostream& out);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_DUMP_H_
