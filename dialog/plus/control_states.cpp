#include "dialog/plus/control_states.h"

namespace q527 {

bool ControlApplies(PlusCtl c, const PlusChoices& choices) {
  const bool restore = choices.run == RunMode::kRestore;
  switch (c) {
    // The way back's own values.
    case PlusCtl::LabelRestoreDeviation:
    case PlusCtl::EditRestoreDeviation:
    case PlusCtl::LabelRestoreFewest:
    case PlusCtl::EditRestoreFewest: return restore;
    // How many segments, and where the polygon lies: the conversion's.
    case PlusCtl::GroupSegments:
    case PlusCtl::RadioCount:
    case PlusCtl::RadioAccuracy:
    case PlusCtl::EditCount:
    case PlusCtl::GroupFit:
    case PlusCtl::RadioInscribed:
    case PlusCtl::RadioCircumscribed:
    case PlusCtl::RadioMid: return !restore;
    // The bounds: the conversion by accuracy.
    case PlusCtl::LabelDeviation:
    case PlusCtl::EditDeviation:
    case PlusCtl::LabelAngle:
    case PlusCtl::EditAngle:
    case PlusCtl::LabelLength:
    case PlusCtl::EditLength:
    case PlusCtl::LabelFewest:
    case PlusCtl::EditFewest:
    case PlusCtl::LabelMost:
    case PlusCtl::EditMost: return !restore && choices.mode == SegmentMode::kAccuracy;
    default: return true;
  }
}

}  // namespace q527
