#include "counting_allocator.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// The benchmarks run on one thread. A load and a store, rather than an atomic
// increment, keep the count from adding a locked instruction to every
// allocation that is timed.
std::atomic<std::uint64_t> allocations{0};

void* Allocate(std::size_t size) noexcept {
  allocations.store(allocations.load(std::memory_order_relaxed) + 1,
                    std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* p = Allocate(size)) return p;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

namespace BioAPI_Data {
namespace bench {

std::uint64_t AllocationCount() noexcept {
  return allocations.load(std::memory_order_relaxed);
}

}  // namespace bench
}  // namespace BioAPI_Data

// The replaceable allocation functions. The aligned forms are left to the
// runtime: nothing measured here asks for extended alignment.
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
