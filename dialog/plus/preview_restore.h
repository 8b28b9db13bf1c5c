// The way back found ahead of OK for the picture and the status line: the
// run's own RestoreCurves, with the run's options and precision, on a copy
// of the store, so the curves drawn and the numbers shown are what OK
// writes and what q527-cli --restore reports.
#pragma once

#include <string>
#include <vector>

#include "conversion/request.h"
#include "conversion/restore.h"
#include "exchange/store.h"
#include "picture/frame.h"

namespace q527 {

struct RestorePreview {
  // The options the run restores with (the request's kinds in them).
  RestoreOptions options;
  RestoreSummary summary;
  // The restored figures as curves, in the order OK appends them.
  std::vector<PictureCurve> curves;
};

// The options RunConversion restores with for the request.
RestoreOptions RestoreOptionsOf(const ConversionRequest& request);
// Whether two option sets restore the same figures.
bool SameRestore(const RestoreOptions& a, const RestoreOptions& b);

// Restores a copy of the store as the run does. Throws std::bad_alloc when
// memory runs out; a count limit gives the summary of nothing restored.
RestorePreview PlanRestorePreview(const Store& s, const ConversionRequest& request);

// The segments handed over: lines and linear solids.
long long SegmentCount(const Store& s);
// The box of every segment handed over (the restore's fitted view).
PictureBox SegmentsBoxOf(const Store& s);

// The status line's account of the way back, after the counts read.
std::string RestoreStatusText(const RestoreSummary& summary);

}  // namespace q527
