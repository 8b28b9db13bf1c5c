// The cosines and sines of the vertex angles of a walk, kept for the walks
// that repeat. The long double sine and cosine cost far more than the rest
// of a segment, and walks repeat: every circle of a count walks the same
// angles, and so do all closed ellipses from the same start, and all
// circular solids of a full turn.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/extended_trig.h"
#include "common/geometry.h"

namespace q527 {

// cos and sin of `count` angles: the start, then the step added again and
// again, each angle as the point function takes it (toAngle).
struct AngleTable {
  std::int32_t count = 0;
  std::uint64_t startBits = 0, stepBits = 0;
  std::vector<long double> cos, sin;
  long long uses = 0;

  void Fill(std::int32_t n, double start, double step, double (*toAngle)(double)) {
    count = n;
    std::memcpy(&startBits, &start, sizeof start);
    std::memcpy(&stepBits, &step, sizeof step);
    cos.resize(static_cast<std::size_t>(n));
    sin.resize(static_cast<std::size_t>(n));
    double a = start;
    for (std::size_t k = 0; k < cos.size(); ++k) {
      const ExtendedSinCos t = SinCosExtended(toAngle(a));
      cos[k] = t.cos;
      sin[k] = t.sin;
      a += step;
    }
    uses = 0;
  }
};

// The tables of the walks met most, in sets of two by a hash of the walk: a
// walk not kept takes the place of the one of its set used less, so the
// walks that repeat stay while one-off walks come and go. Filling a table
// costs no more than the vertices it serves. There are enough places for
// every count a planned conversion of circles uses side by side.
class AngleTables {
 public:
  explicit AngleTables(double (*toAngle)(double)) : toAngle_(toAngle) {}

  // The two ways the host keeps angles: radians as they are, and degrees
  // converted as EllipsePointDeg converts them.
  static double Radians(double radians) { return radians; }
  static double Degrees(double degrees) { return static_cast<double>(degrees / 180.0L * kPi); }

  const AngleTable& For(std::int32_t count, double start, double step) {
    std::uint64_t startBits, stepBits;
    std::memcpy(&startBits, &start, sizeof start);
    std::memcpy(&stepBits, &step, sizeof step);
    const std::uint64_t hash = (startBits * 0x9E3779B97F4A7C15u) ^
                               (stepBits * 0xC2B2AE3D27D4EB4Fu) ^ static_cast<std::uint64_t>(count);
    AngleTable* set = &tables_[2 * ((hash ^ (hash >> 29)) % kSets)];
    AngleTable* least = nullptr;
    for (AngleTable* t = set; t != set + 2; ++t) {
      if (t->startBits == startBits && t->stepBits == stepBits && t->count == count &&
          !t->cos.empty()) {
        ++t->uses;
        return *t;
      }
      if (least == nullptr || t->uses < least->uses) least = t;
    }
    least->Fill(count, start, step, toAngle_);
    return *least;
  }

 private:
  static constexpr std::size_t kSets = 256;
  double (*toAngle_)(double);
  std::array<AngleTable, 2 * kSets> tables_;
};

}  // namespace q527
