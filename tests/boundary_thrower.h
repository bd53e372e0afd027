// A second shared library beside bioapi_data. It throws the library's
// exception from its own code, so that a test program catches one that left
// another module, as the record decoder's exceptions leave bioapi_data.
#ifndef BIOAPI_DATA_TESTS_BOUNDARY_THROWER_H_
#define BIOAPI_DATA_TESTS_BOUNDARY_THROWER_H_

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(BOUNDARY_THROWER_BUILDING)
#define BOUNDARY_THROWER_API __declspec(dllexport)
#else
#define BOUNDARY_THROWER_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define BOUNDARY_THROWER_API __attribute__((visibility("default")))
#else
#define BOUNDARY_THROWER_API
#endif

namespace boundary_thrower {

/// Throws `new BioAPI_Data::BioAPIException(code)`; the handler deletes it.
[[noreturn]] BOUNDARY_THROWER_API void ThrowBioAPIException(int code);

}  // namespace boundary_thrower

#endif  // BIOAPI_DATA_TESTS_BOUNDARY_THROWER_H_
