/// @file
/// Symbol visibility for the bioapi_data shared library.
#ifndef BIOAPI_DATA_EXPORT_H_
#define BIOAPI_DATA_EXPORT_H_

// BIOAPI_DATA_API marks every class and function that the library exports.
// While the library itself is compiled, BIOAPI_DATA_BUILDING is defined; its
// users see dllimport on Windows. Elsewhere the library is built with hidden
// visibility and only marked symbols are public.
#if defined(BIOAPI_DATA_STATIC)
#define BIOAPI_DATA_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(BIOAPI_DATA_BUILDING)
#define BIOAPI_DATA_API __declspec(dllexport)
#else
#define BIOAPI_DATA_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define BIOAPI_DATA_API __attribute__((visibility("default")))
#else
#define BIOAPI_DATA_API
#endif

// MSVC warns (C4251, C4275) when an exported class has standard-library
// members or bases. Both sides of the DLL boundary use the same standard
// library build, which is the condition under which these members are safe.
#if defined(_MSC_VER)
#define BIOAPI_DATA_BEGIN_EXPORTS \
  __pragma(warning(push)) __pragma(warning(disable : 4251 4275))
#define BIOAPI_DATA_END_EXPORTS __pragma(warning(pop))
#else
#define BIOAPI_DATA_BEGIN_EXPORTS
#define BIOAPI_DATA_END_EXPORTS
#endif

#endif  // BIOAPI_DATA_EXPORT_H_
