// A picture of the way back: the segments a restore consumed (red) and the
// curves it made of them (blue), by layer, with the summary as caption.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/svg_picture.h"
#include "conversion/restore.h"
#include "exchange/store.h"

namespace q527 {

// The kinds of the order entries before the run: what the run marks
// removed among them was consumed, what it appends was restored.
struct RestoreSnapshot {
  std::vector<std::int32_t> kinds;
};

RestoreSnapshot TakeRestoreSnapshot(const Store& s);

// Draws the consumed segments (a polyline for each run of segments that
// follow one another in the file) and the restored curves, at most the
// first kSvgMaxFigures curves and kSvgMaxSegments segments.
SvgPicture DrawRestore(const Store& after, const RestoreSnapshot& before);

// "n curves restored from m segments, largest deviation d", and how many
// were drawn when the picture holds fewer.
std::string RestoreCaption(const RestoreSummary& summary, long long figures, long long drawn);

}  // namespace q527
