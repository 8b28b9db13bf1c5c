// Allocation failure on demand for a test program: include this header in
// exactly one source file of the program. After AllocationSeamArm(k) the
// k-th allocation from then on (counted from 1) throws std::bad_alloc;
// AllocationSeamArm(0) disarms. Every allocation is counted either way.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace allocation_seam {
inline std::atomic<long long> failAt{0};
inline std::atomic<long long> calls{0};
}  // namespace allocation_seam

inline void AllocationSeamArm(long long k) {
  allocation_seam::calls = 0;
  allocation_seam::failAt = k;
}

inline long long AllocationSeamCalls() { return allocation_seam::calls.load(); }

void* operator new(std::size_t size) {
  const long long call = ++allocation_seam::calls;
  if (allocation_seam::failAt != 0 && call == allocation_seam::failAt) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// Kept out of line: inlined into a caller, the compiler sees free() of a
// pointer from operator new and warns, not knowing operator new is ours.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
