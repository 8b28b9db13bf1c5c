// What q527-plus.exe's controls choose, and the run that asks for: what to
// do (curves to polygons, or the way back), the kinds, how many segments (a
// division count, or bounds of the deviation, the angle and the segment
// length between a fewest and a most), the fit, and the way back's largest
// deviation and fewest segments. One struct, so that the settings file, the
// window and the preview read the same choices.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/request.h"

namespace q527 {

// How the segment counts are chosen.
enum class SegmentMode {
  kCount,     // the division count for every figure
  kAccuracy,  // each figure its own count from the bounds given
};

// The way back's largest deviation when its field holds no positive number.
inline constexpr double kDefaultRestoreDeviation = RestoreOptions{}.maxDeviation;

struct PlusChoices {
  // Curves to polygons, or curves restored from segments.
  RunMode run = RunMode::kConvert;
  bool circles = true;
  bool arcs = true;
  bool solids = true;
  SegmentMode mode = SegmentMode::kCount;
  std::int32_t divisionCount = 24;
  // The bounds as typed; a text that is no positive number sets no bound.
  std::string maxDeviation;
  std::string maxAngle;
  std::string maxLength;
  std::int32_t minSegments = kFewestSegments;
  std::int32_t maxSegments = kMostSegments;
  PolygonFit fit = PolygonFit::kInscribed;
  // The way back: every vertex of a restored run within this (as typed),
  // and the fewest segments a curve is restored from.
  std::string restoreDeviation = "0.01";
  std::int32_t restoreMinSegments = RestoreOptions{}.minSegments;
};

// A bound's text read as q527-cli reads its option: a positive finite
// number (blanks round it and a leading "+" allowed); 0, no bound, for
// anything else.
double BoundOf(std::string_view text);
// A count field's text read as the division count's edit field reads it:
// an integer, clamped to 3..999.
std::int32_t SegmentCountOf(std::string_view text);
// The way back's largest deviation as q527-cli --restore takes it: the
// field's positive number, else the default.
double RestoreDeviationOf(std::string_view text);
// The way back's fewest segments clamped to what q527-cli --restore takes
// (3..100000), and its field's text (blanks dropped) read as an integer
// and so clamped.
std::int32_t ClampRestoreSegments(std::int32_t n);
std::int32_t RestoreSegmentCountOf(std::string_view text);

// The run the choices ask for. The division count with vertices on the
// curve is the described dialog's rule, bit for bit (q527-cli -n N); with
// another fit it is that count planned in the fit (-n N --fit F); by
// accuracy, the bounds between the fewest and the most (--max-deviation …
// --min-segments … --max-segments … --fit F). The way back is q527-cli
// --restore --max-deviation D --min-segments N -k KINDS.
ConversionRequest RequestOf(const PlusChoices& choices);

}  // namespace q527
