// Deterministic exchange-file workloads for the benchmarks, the fuzz seeds
// and the performance script.
//
// Every generator is a pure function of its arguments: the same seed and
// counts give the same bytes on every machine and compiler. That is why only
// std::mt19937_64 (whose output sequence is fixed by the standard) is used,
// every random decision is taken on raw 64-bit draws, and numbers are written
// from integer mantissas, never from doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/store.h"

namespace q527 {

// A drawing as the host would hand it over: a header (file name, scales,
// sheet, character kinds, layer names), then `figures` figures of every kind
// with attribute lines changing now and then. Shift-JIS, CR LF.
std::string GenerateRealistic(std::uint64_t seed, long long figures);

// A conversion workload: a small header and exactly `circles` circles, `arcs`
// arcs/ellipses/elliptic arcs and `solids` circular solids ("se") in a
// shuffled order, with a few attribute changes.
std::string GenerateConversion(std::uint64_t seed, long long circles, long long arcs,
                               long long solids);

// A realistic drawing of about `figures` figures with junk mixed in: wrong
// field counts, numbers that do not parse, lone lead bytes, NUL and other
// control bytes, very long lines, lone CRs, LF-only ends and a Ctrl-Z late in
// the file (what follows it is never read).
std::string GenerateMalformed(std::uint64_t seed, long long figures);

// Heap bytes the store holds after reading: vector capacities times element
// sizes, plus the heap blocks of strings that outgrew their inline buffer.
std::size_t StoreHeapBytes(const Store& s);

}  // namespace q527
