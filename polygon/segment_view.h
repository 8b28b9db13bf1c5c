// Segments where the caller keeps them: the chains read their coordinates
// in place, so a million segments cost no copy. Each record holds x1, y1,
// x2, y2 as consecutive doubles, the records `stride` bytes apart (a
// table of larger records, or a plain array of four doubles), and each
// segment's group comes from the caller's array of 32-bit numbers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "polygon/curves.h"

namespace q527 {

// The group number that leaves a segment out: it joins nothing and is
// reported nowhere.
inline constexpr std::uint32_t kLeftOut = 0xffffffffu;

struct SegmentView {
  const double* first = nullptr;            // x1 of segment 0
  std::size_t stride = 4 * sizeof(double);  // bytes from one segment's x1 to the next's
  std::size_t count = 0;
  const std::uint32_t* groups = nullptr;  // per segment; none: every segment in group 0
};

// Segment k's x1, y1, x2, y2.
inline const double* CoordinatesOf(const SegmentView& v, std::size_t k) {
  return reinterpret_cast<const double*>(reinterpret_cast<const unsigned char*>(v.first) +
                                         k * v.stride);
}

inline std::uint32_t GroupOf(const SegmentView& v, std::size_t k) {
  return v.groups == nullptr ? 0 : v.groups[k];
}

// End e: 2k is segment k's first point, 2k + 1 its second.
inline Point2 EndPoint(const SegmentView& v, std::size_t e) {
  const double* c = CoordinatesOf(v, e / 2) + 2 * (e % 2);
  return {c[0], c[1]};
}

}  // namespace q527
