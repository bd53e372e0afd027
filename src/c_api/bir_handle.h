// The record behind a bioapi_bir handle, shared by the C interface's sources.
#ifndef BIOAPI_DATA_C_API_BIR_HANDLE_H_
#define BIOAPI_DATA_C_API_BIR_HANDLE_H_

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bir.h"

// The handle is the record itself.
struct bioapi_bir {
  BioAPI_Data::BIR record;
};

#endif  // BIOAPI_DATA_C_API_BIR_HANDLE_H_
