/// @file
/// Symbol visibility for the bioapi_data inspection library.
#ifndef BIOAPI_DATA_INSPECT_EXPORT_H_
#define BIOAPI_DATA_INSPECT_EXPORT_H_

// BIOAPI_DATA_INSPECT_API marks every class and function that the inspection
// library exports, as BIOAPI_DATA_API does for the core: dllexport while the
// library itself is compiled (BIOAPI_DATA_INSPECT_BUILDING), dllimport for
// its users on Windows, default visibility elsewhere. The two libraries are
// built alike: both static (BIOAPI_DATA_STATIC) or both shared.
#if defined(BIOAPI_DATA_STATIC)
#define BIOAPI_DATA_INSPECT_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(BIOAPI_DATA_INSPECT_BUILDING)
#define BIOAPI_DATA_INSPECT_API __declspec(dllexport)
#else
#define BIOAPI_DATA_INSPECT_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define BIOAPI_DATA_INSPECT_API __attribute__((visibility("default")))
#else
#define BIOAPI_DATA_INSPECT_API
#endif

#endif  // BIOAPI_DATA_INSPECT_EXPORT_H_
