// The handles of the inspection library's C interface.
#ifndef BIOAPI_DATA_INSPECT_C_HANDLES_H_
#define BIOAPI_DATA_INSPECT_C_HANDLES_H_

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"

// A BDB's summary, and the texts of its rows that the C interface hands
// out (name, value, bytes).
struct bioapi_bdb_summary {
  explicit bioapi_bdb_summary(BioAPI_Data::inspect::BdbSummary s)
      : summary(std::move(s)) {
    texts.reserve(summary.rows.size());
    for (const auto& row : summary.rows) {
      texts.push_back({row.Name(), row.Value(), row.Bytes()});
    }
  }
  BioAPI_Data::inspect::BdbSummary summary;
  std::vector<std::array<std::string, 3>> texts;
};

// A walk handle: the walk, its verdict and its BDB's summary.
struct bioapi_record_walk {
  BioAPI_Data::inspect::Walk walk;
  bioapi_bdb_summary bdb;
};

#endif  // BIOAPI_DATA_INSPECT_C_HANDLES_H_
