/// @file
/// Umbrella header: the whole bioapi_data object model.
#ifndef BIOAPI_DATA_BIOAPI_DATA_H_
#define BIOAPI_DATA_BIOAPI_DATA_H_

#include "bioapi_data/bir.h"
#include "bioapi_data/params.h"
#include "bioapi_data/schemas.h"
#include "bioapi_data/types.h"

#endif  // BIOAPI_DATA_BIOAPI_DATA_H_
