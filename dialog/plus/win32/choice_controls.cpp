#include "choice_controls.h"

#include <string>

#include "common/number_texts.h"
#include "common/utf.h"
#include "dialog/plus/control_states.h"

namespace q527 {

namespace {

HWND At(const ChoiceControls& controls, PlusCtl c) { return controls[static_cast<std::size_t>(c)]; }

std::string TextOf(const ChoiceControls& controls, PlusCtl c) {
  HWND h = At(controls, c);
  std::wstring w(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  w.resize(static_cast<std::size_t>(GetWindowTextW(h, w.data(), static_cast<int>(w.size()))));
  return NarrowToUtf8(w);
}

bool IsChecked(const ChoiceControls& controls, PlusCtl c) {
  return SendMessageW(At(controls, c), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Check(const ChoiceControls& controls, PlusCtl c, bool on) {
  SendMessageW(At(controls, c), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SetText(const ChoiceControls& controls, PlusCtl c, const std::string& utf8) {
  SetWindowTextW(At(controls, c), WidenUtf8(utf8).c_str());
}

}  // namespace

PlusChoices ReadChoiceControls(const ChoiceControls& k) {
  PlusChoices c;
  c.run = IsChecked(k, PlusCtl::RadioRestore) ? RunMode::kRestore : RunMode::kConvert;
  c.circles = IsChecked(k, PlusCtl::CheckCircle);
  c.arcs = IsChecked(k, PlusCtl::CheckArc);
  c.solids = IsChecked(k, PlusCtl::CheckSolid);
  c.mode = IsChecked(k, PlusCtl::RadioAccuracy) ? SegmentMode::kAccuracy : SegmentMode::kCount;
  c.divisionCount = SegmentCountOf(TextOf(k, PlusCtl::EditCount));
  c.maxDeviation = TextOf(k, PlusCtl::EditDeviation);
  c.maxAngle = TextOf(k, PlusCtl::EditAngle);
  c.maxLength = TextOf(k, PlusCtl::EditLength);
  c.minSegments = SegmentCountOf(TextOf(k, PlusCtl::EditFewest));
  c.maxSegments = SegmentCountOf(TextOf(k, PlusCtl::EditMost));
  c.fit = IsChecked(k, PlusCtl::RadioCircumscribed) ? PolygonFit::kCircumscribed
          : IsChecked(k, PlusCtl::RadioMid)         ? PolygonFit::kMid
                                                    : PolygonFit::kInscribed;
  c.restoreDeviation = TextOf(k, PlusCtl::EditRestoreDeviation);
  c.restoreMinSegments = RestoreSegmentCountOf(TextOf(k, PlusCtl::EditRestoreFewest));
  return c;
}

void WriteChoiceControls(const ChoiceControls& k, const PlusChoices& c) {
  Check(k, PlusCtl::RadioConvert, c.run == RunMode::kConvert);
  Check(k, PlusCtl::RadioRestore, c.run == RunMode::kRestore);
  Check(k, PlusCtl::CheckCircle, c.circles);
  Check(k, PlusCtl::CheckArc, c.arcs);
  Check(k, PlusCtl::CheckSolid, c.solids);
  Check(k, PlusCtl::RadioCount, c.mode == SegmentMode::kCount);
  Check(k, PlusCtl::RadioAccuracy, c.mode == SegmentMode::kAccuracy);
  SetText(k, PlusCtl::EditCount, std::to_string(ClampSegments(c.divisionCount)));
  SetText(k, PlusCtl::EditDeviation, c.maxDeviation);
  SetText(k, PlusCtl::EditAngle, c.maxAngle);
  SetText(k, PlusCtl::EditLength, c.maxLength);
  SetText(k, PlusCtl::EditFewest, std::to_string(ClampSegments(c.minSegments)));
  SetText(k, PlusCtl::EditMost, std::to_string(ClampSegments(c.maxSegments)));
  Check(k, PlusCtl::RadioInscribed, c.fit == PolygonFit::kInscribed);
  Check(k, PlusCtl::RadioCircumscribed, c.fit == PolygonFit::kCircumscribed);
  Check(k, PlusCtl::RadioMid, c.fit == PolygonFit::kMid);
  SetText(k, PlusCtl::EditRestoreDeviation, c.restoreDeviation);
  SetText(k, PlusCtl::EditRestoreFewest, IntegerText(ClampRestoreSegments(c.restoreMinSegments)));
  EnableChoiceControls(k, c);
}

void EnableChoiceControls(const ChoiceControls& k, const PlusChoices& choices) {
  for (int i = 0; i < kPlusControlCount; ++i) {
    const auto c = static_cast<PlusCtl>(i);
    EnableWindow(At(k, c), ControlApplies(c, choices));
  }
}

}  // namespace q527
