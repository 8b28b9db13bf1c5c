// How many random cases a proof test checks: three million by default, or
// Q527_NUMBER_PROOF_COUNT for a longer run.
#pragma once

#include <cstdlib>

inline long long ProofCount() {
  if (const char* env = std::getenv("Q527_NUMBER_PROOF_COUNT")) {
    const long long n = std::atoll(env);
    if (n > 0) return n;
  }
  return 3'000'000;
}
