// The layout of q527-plus.exe in dialog units: every control with its id,
// kind, caption (UTF-8, "&" before the accelerator), place and how it
// follows the window's size; creation order is tab order. Dialog units
// follow the font, so the window is as large as its text at every pixel
// density; the picture pane takes whatever room the window is given.
//
// What OK does (curves to polygons, or curves restored from segments with
// the way back's two fields) is the first group, in two rows over the
// picture: in the left column its rows would make the window taller than a
// 768-pixel screen at 150 %. The kinds serve both; the rest is the
// conversion's.
#pragma once

#include <array>
#include <cstdint>

namespace q527 {

// clang-format off: one name each, in creation (= tab) order
enum class PlusCtl {
  GroupAction,
  RadioConvert,
  RadioRestore,
  LabelRestoreDeviation,
  EditRestoreDeviation,
  LabelRestoreFewest,
  EditRestoreFewest,
  GroupKinds,
  CheckCircle,
  CheckArc,
  CheckSolid,
  GroupSegments,
  RadioCount,
  RadioAccuracy,
  EditCount,
  LabelDeviation,
  EditDeviation,
  LabelAngle,
  EditAngle,
  LabelLength,
  EditLength,
  LabelFewest,
  EditFewest,
  LabelMost,
  EditMost,
  GroupFit,
  RadioInscribed,
  RadioCircumscribed,
  RadioMid,
  ButtonOk,
  ButtonCancel,
  Pane,
  Status,
  Count
};
// clang-format on
inline constexpr int kPlusControlCount = static_cast<int>(PlusCtl::Count);

enum class PlusKind {
  kGroup,       // a group box
  kCheck,       // an automatic check box
  kRadioFirst,  // the first radio button of a group (tab stop)
  kRadio,       // a further radio button of the group
  kEdit,        // a one-line edit field
  kLabel,       // a text before an edit field, holding its accelerator
  kDefaultButton,
  kButton,
  kPane,    // the picture
  kStatus,  // the status line
};

// How a control follows the window's client size.
enum class PlusAnchor {
  kTopLeft,     // where the table puts it
  kFill,        // right and bottom edges keep their distance (w, h) from the client's
  kTopWide,     // the right edge keeps its distance w from the client's
  kBottomWide,  // y is the distance of its top from the client's bottom; w the right margin
};

struct PlusControlSpec {
  PlusCtl ctl;
  int id;
  PlusKind kind;
  const char* text;
  int x, y, w, h;  // dialog units
  PlusAnchor anchor;
};

// The dialog's ids of OK and Cancel (IDOK and IDCANCEL).
inline constexpr int kPlusIdOk = 1;
inline constexpr int kPlusIdCancel = 2;

// clang-format off: one control a row, as the layout reads
inline constexpr std::array<PlusControlSpec, kPlusControlCount> kPlusControls{{
    {PlusCtl::GroupAction, 2027, PlusKind::kGroup, "処理", 174, 4, 6, 38, PlusAnchor::kTopWide},
    {PlusCtl::RadioConvert, 2028, PlusKind::kRadioFirst, "多角形に変換(&P)", 182, 16, 70, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::RadioRestore, 2029, PlusKind::kRadio, "曲線を復元(&R)", 258, 16, 64, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::LabelRestoreDeviation, 2030, PlusKind::kLabel, "許容誤差(&T)", 182, 29, 40, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditRestoreDeviation, 2031, PlusKind::kEdit, "0.01", 224, 27, 36, 12,
     PlusAnchor::kTopLeft},
    {PlusCtl::LabelRestoreFewest, 2032, PlusKind::kLabel, "最少線分数(&S)", 266, 29, 48, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditRestoreFewest, 2033, PlusKind::kEdit, "8", 316, 27, 30, 12, PlusAnchor::kTopLeft},
    {PlusCtl::GroupKinds, 2001, PlusKind::kGroup, "対象図形(&E)", 6, 4, 162, 50,
     PlusAnchor::kTopLeft},
    {PlusCtl::CheckCircle, 2002, PlusKind::kCheck, "円(&1)", 14, 16, 148, 10, PlusAnchor::kTopLeft},
    {PlusCtl::CheckArc, 2003, PlusKind::kCheck, "円弧・楕円・楕円弧(&2)", 14, 28, 148, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::CheckSolid, 2004, PlusKind::kCheck, "円周ソリッド(&3)", 14, 40, 148, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::GroupSegments, 2005, PlusKind::kGroup, "分割", 6, 58, 162, 120, PlusAnchor::kTopLeft},
    {PlusCtl::RadioCount, 2006, PlusKind::kRadioFirst, "分割数で(&D)", 14, 70, 72, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::RadioAccuracy, 2007, PlusKind::kRadio, "精度で(&A)", 14, 86, 72, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditCount, 2008, PlusKind::kEdit, "24", 100, 69, 36, 12, PlusAnchor::kTopLeft},
    {PlusCtl::LabelDeviation, 2009, PlusKind::kLabel, "最大誤差(&V)", 24, 102, 74, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditDeviation, 2010, PlusKind::kEdit, "", 100, 100, 60, 12, PlusAnchor::kTopLeft},
    {PlusCtl::LabelAngle, 2011, PlusKind::kLabel, "最大角度 °(&G)", 24, 117, 74, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditAngle, 2012, PlusKind::kEdit, "", 100, 115, 60, 12, PlusAnchor::kTopLeft},
    {PlusCtl::LabelLength, 2013, PlusKind::kLabel, "最大辺長(&L)", 24, 132, 74, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditLength, 2014, PlusKind::kEdit, "", 100, 130, 60, 12, PlusAnchor::kTopLeft},
    {PlusCtl::LabelFewest, 2015, PlusKind::kLabel, "最少分割数(&M)", 24, 147, 74, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditFewest, 2016, PlusKind::kEdit, "3", 100, 145, 36, 12, PlusAnchor::kTopLeft},
    {PlusCtl::LabelMost, 2017, PlusKind::kLabel, "最多分割数(&X)", 24, 162, 74, 8,
     PlusAnchor::kTopLeft},
    {PlusCtl::EditMost, 2018, PlusKind::kEdit, "999", 100, 160, 36, 12, PlusAnchor::kTopLeft},
    {PlusCtl::GroupFit, 2019, PlusKind::kGroup, "多角形の位置", 6, 182, 162, 50,
     PlusAnchor::kTopLeft},
    {PlusCtl::RadioInscribed, 2020, PlusKind::kRadioFirst, "内接：頂点が曲線上(&I)", 14, 194, 150,
     10, PlusAnchor::kTopLeft},
    {PlusCtl::RadioCircumscribed, 2021, PlusKind::kRadio, "外接：曲線を含む(&O)", 14, 206, 150, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::RadioMid, 2022, PlusKind::kRadio, "中間：誤差が半分(&U)", 14, 218, 150, 10,
     PlusAnchor::kTopLeft},
    {PlusCtl::ButtonOk, kPlusIdOk, PlusKind::kDefaultButton, "ＯＫ(&Y)", 10, 238, 74, 15,
     PlusAnchor::kTopLeft},
    {PlusCtl::ButtonCancel, kPlusIdCancel, PlusKind::kButton, "キャンセル(&N)", 90, 238, 74, 15,
     PlusAnchor::kTopLeft},
    {PlusCtl::Pane, 2025, PlusKind::kPane, "", 174, 46, 6, 18, PlusAnchor::kFill},
    {PlusCtl::Status, 2026, PlusKind::kStatus, "", 0, 12, 0, 12, PlusAnchor::kBottomWide},
}};
// clang-format on

// The client size the window opens with and the least it may take, in
// dialog units.
inline constexpr int kPlusClientWidth = 520;
inline constexpr int kPlusClientHeight = 272;
inline constexpr int kPlusMinClientWidth = 358;
inline constexpr int kPlusMinClientHeight = 272;

// The font's dialog base units in pixels: the average character width and
// the character height.
struct DialogBase {
  int x = 0, y = 0;
};
int DialogUnitsToPixelsX(int units, DialogBase base);
int DialogUnitsToPixelsY(int units, DialogBase base);

struct PlusRect {
  int left = 0, top = 0, width = 0, height = 0;
};
// Where a control lies in a client area of the given size (pixels).
PlusRect PlaceControl(const PlusControlSpec& control, int clientWidth, int clientHeight,
                      DialogBase base);

}  // namespace q527
