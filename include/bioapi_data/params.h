/// @file
/// Parameter records of BioAPI operations.
#ifndef BIOAPI_DATA_PARAMS_H_
#define BIOAPI_DATA_PARAMS_H_

#include "bioapi_data/bir.h"
#include "bioapi_data/export.h"
#include "bioapi_data/types.h"

#endif  // BIOAPI_DATA_PARAMS_H_
