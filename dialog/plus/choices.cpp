#include "dialog/plus/choices.h"

#include <algorithm>

#include "common/decimal_text.h"
#include "common/myfunc.h"

namespace q527 {

double BoundOf(std::string_view text) {
  const std::string trimmed = StripBlanks(text);
  std::string_view number = trimmed;
  if (number.starts_with('+')) number.remove_prefix(1);
  double v = 0;
  if (!DecimalTextToDouble(number, v) || !(v > 0)) return 0;
  return v;
}

std::int32_t SegmentCountOf(std::string_view text) { return DivisionCountOf(text); }

double RestoreDeviationOf(std::string_view text) {
  const double bound = BoundOf(text);
  return bound > 0 ? bound : kDefaultRestoreDeviation;
}

std::int32_t ClampRestoreSegments(std::int32_t n) {
  return std::clamp(n, kFewestRestoreSegments, kMostRestoreSegments);
}

std::int32_t RestoreSegmentCountOf(std::string_view text) {
  return ClampRestoreSegments(TextToInt(StripBlanks(text)));
}

ConversionRequest RequestOf(const PlusChoices& choices) {
  ConversionRequest request;
  request.circles = choices.circles;
  request.arcs = choices.arcs;
  request.solids = choices.solids;
  // The way back takes only its own two values; the polygon policy stays
  // the default, as q527-cli --restore leaves it.
  if (choices.run == RunMode::kRestore) {
    request.mode = RunMode::kRestore;
    request.restore.maxDeviation = RestoreDeviationOf(choices.restoreDeviation);
    request.restore.minSegments = ClampRestoreSegments(choices.restoreMinSegments);
    return request;
  }
  PolygonPolicy& policy = request.policy;
  policy.segments = ClampSegments(choices.divisionCount);
  policy.fit = choices.fit;
  // The count on the curve is the described dialog's own rule; everything
  // else is planned.
  policy.planned = choices.mode == SegmentMode::kAccuracy || choices.fit != PolygonFit::kInscribed;
  if (choices.mode == SegmentMode::kAccuracy) {
    policy.maxDeviation = BoundOf(choices.maxDeviation);
    policy.maxAngle = BoundOf(choices.maxAngle);
    policy.maxLength = BoundOf(choices.maxLength);
    policy.minSegments = ClampSegments(choices.minSegments);
    policy.maxSegments = ClampSegments(choices.maxSegments);
  }
  return request;
}

}  // namespace q527
