// The x87 precision control: what a caller may have set (a Windows runtime
// starting a 32-bit program at 53 bits, a DLL that changes it) must neither
// change the conversion's bits nor be lost when the conversion returns.
#include "common/fpu_precision.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/extended_trig.h"
#include "conversion/run.h"
#include "exchange/reader.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

struct QuietUi final : RunUi {
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
};

// A little of every kind, with angles, flatness and tilt whose vertices
// cancel to near zero and so show every last bit.
constexpr std::string_view kDrawing =
    "hk 0\r\nlg0\r\nly0\r\nlc1\r\nlt1\r\nlw0\r\n"
    "ci 10 10 5\r\nci -3.25 7.5 3.25\r\nci 1e6 -2e6 1234.5678\r\n"
    "ci 0 0 100 17.5 301.25 0.3 33.3\r\nci 5 5 50 0 360 2.5 -71.25\r\n"
    "ci 1 2 3 1e20 1e20 1 0\r\n"
    "se 0 0 10 0.5 0.3 1 4.5 1\r\nse 40 40 3 1 0 0 6.28318530717959 100\r\n";

std::string ConvertedBytes(std::int32_t n) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, kDrawing);
  TJwwWriter w(s);
  JwwWriteStart(w);
  ConversionRequest request;
  request.policy.segments = n;
  QuietUi ui;
  EXPECT_EQ(RunConversion(s, w, request, true, ui).outcome, RunOutcome::kConverted);
  return w.lines.bytes;
}

// Runs body with the control word set to word, and gives back the word
// found after it.
template <typename Body>
std::uint16_t WithControlWord(std::uint16_t word, Body body) {
  const std::uint16_t saved = ReadX87ControlWord();
  WriteX87ControlWord(word);
  body();
  const std::uint16_t after = ReadX87ControlWord();
  WriteX87ControlWord(saved);
  return after;
}

TEST(FpuPrecision, ScopeSetsExtendedToNearestAndRestoresTheCallersWord) {
  if (!Q527_HAS_X87) GTEST_SKIP() << "no x87 on this target";
  const std::uint16_t saved = ReadX87ControlWord();
  // 53-bit precision, rounding up: the worst a caller may leave.
  const auto word = static_cast<std::uint16_t>((saved & ~0x0F00) | kX87Precision53 | 0x0800);
  const std::uint16_t after = WithControlWord(word, [] {
    EXPECT_FALSE(X87IsExtendedToNearest());
    {
      const ExtendedPrecisionScope scope;
      EXPECT_TRUE(X87IsExtendedToNearest());
    }
    EXPECT_FALSE(X87IsExtendedToNearest());
  });
  EXPECT_EQ(after, word);
}

// Without the scope the setting reaches the results: the reason it exists.
TEST(FpuPrecision, FiftyThreeBitsChangeLongDoubleResults) {
  if (!Q527_HAS_X87) GTEST_SKIP() << "no x87 on this target";
  volatile long double tiny = 0x1p-60L;
  long double sum64 = 0, sum53 = 0;
  ExtendedSinCos trig64{}, trig53{};
  sum64 = 1.0L + tiny;
  trig64 = SinCosExtended(1e22);
  const auto word = static_cast<std::uint16_t>((ReadX87ControlWord() & ~0x0F00) | kX87Precision53);
  WithControlWord(word, [&] {
    sum53 = 1.0L + tiny;
    trig53 = SinCosExtended(1e22);
  });
  EXPECT_NE(sum64, sum53);
  EXPECT_NE(trig64.sin, trig53.sin);
}

TEST(FpuPrecision, ConversionWritesTheSameBytesWhateverTheCallerSet) {
  if (!Q527_HAS_X87) GTEST_SKIP() << "no x87 on this target";
  for (const std::int32_t n : {3, 24, 999}) {
    const std::string reference = ConvertedBytes(n);
    for (const std::uint16_t bits : {kX87Precision53, std::uint16_t{0x0000}}) {
      for (const std::uint16_t rounding : {std::uint16_t{0x0000}, std::uint16_t{0x0C00}}) {
        const auto word =
            static_cast<std::uint16_t>((ReadX87ControlWord() & ~0x0F00) | bits | rounding);
        std::string got;
        const std::uint16_t after = WithControlWord(word, [&] { got = ConvertedBytes(n); });
        EXPECT_EQ(after, word) << "the caller's control word was not given back";
        EXPECT_TRUE(got == reference) << "N = " << n << ", control word " << std::hex << word;
      }
    }
  }
}

}  // namespace

}  // namespace q527
