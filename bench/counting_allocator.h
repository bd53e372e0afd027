// Counts the heap allocations of the benchmark program, the library's
// included: the program replaces the global allocation functions, and the
// shared library's calls to them bind to these.
#ifndef BIOAPI_DATA_BENCH_COUNTING_ALLOCATOR_H_
#define BIOAPI_DATA_BENCH_COUNTING_ALLOCATOR_H_

#include <cstdint>

namespace BioAPI_Data {
namespace bench {

/// Calls of the global operator new (every form) since the program started.
std::uint64_t AllocationCount() noexcept;

}  // namespace bench
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BENCH_COUNTING_ALLOCATOR_H_
