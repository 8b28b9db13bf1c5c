// The x87 unit's precision control, which every long double operation of the
// geometry depends on.
//
// Long double arithmetic (the vertex formulas, the sine and cosine) is exact
// to the same bits on every build only while the x87 rounds to 64-bit
// significands, to nearest. Linux starts programs that way; a Windows runtime
// may start a 32-bit program at 53 bits, and a DLL loaded into the process
// can change the control word at any time. The conversion therefore sets what
// it relies on for as long as it runs, and gives the caller's setting back.
#pragma once

#include <cstdint>

namespace q527 {

#if defined(__i386__) || defined(__x86_64__)
#define Q527_HAS_X87 1
#else
#define Q527_HAS_X87 0
#endif

// Precision control (bits 8-9) and rounding control (bits 10-11).
inline constexpr std::uint16_t kX87PrecisionMask = 0x0300;
inline constexpr std::uint16_t kX87Precision64 = 0x0300;
inline constexpr std::uint16_t kX87Precision53 = 0x0200;
inline constexpr std::uint16_t kX87RoundingMask = 0x0C00;

inline std::uint16_t ReadX87ControlWord() {
#if Q527_HAS_X87
  std::uint16_t word;
  __asm__ volatile("fnstcw %0" : "=m"(word) : : "memory");
  return word;
#else
  return kX87Precision64;
#endif
}

inline void WriteX87ControlWord([[maybe_unused]] std::uint16_t word) {
#if Q527_HAS_X87
  __asm__ volatile("fldcw %0" : : "m"(word) : "memory");
#endif
}

// True when long double operations round to 64 bits, to nearest.
inline bool X87IsExtendedToNearest() {
  const std::uint16_t word = ReadX87ControlWord();
  return (word & kX87PrecisionMask) == kX87Precision64 && (word & kX87RoundingMask) == 0;
}

// Sets 64-bit precision and rounding to nearest for its lifetime; restores
// the control word it found.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() : saved_(ReadX87ControlWord()) {
    const auto wanted = static_cast<std::uint16_t>(
        (saved_ & ~(kX87PrecisionMask | kX87RoundingMask)) | kX87Precision64);
    if (wanted != saved_) WriteX87ControlWord(wanted);
  }
  ~ExtendedPrecisionScope() {
    if (ReadX87ControlWord() != saved_) WriteX87ControlWord(saved_);
  }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  std::uint16_t saved_;
};

}  // namespace q527
