// The handles of the inspection library's C interface.
#ifndef BIOAPI_DATA_INSPECT_C_HANDLES_H_
#define BIOAPI_DATA_INSPECT_C_HANDLES_H_

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"

// A BDB's summary.
struct bioapi_bdb_summary {
  BioAPI_Data::inspect::BdbSummary summary;
};

// A walk handle: the walk, its verdict and its BDB's summary.
struct bioapi_record_walk {
  BioAPI_Data::inspect::Walk walk;
  bioapi_bdb_summary bdb;
};

#endif  // BIOAPI_DATA_INSPECT_C_HANDLES_H_
