/// @file
/// Descriptive schemas of a BioAPI installation: framework, BSPs, BFPs, units
/// and security profiles.
#ifndef BIOAPI_DATA_SCHEMAS_H_
#define BIOAPI_DATA_SCHEMAS_H_

#include "bioapi_data/export.h"
#include "bioapi_data/types.h"

#endif  // BIOAPI_DATA_SCHEMAS_H_
