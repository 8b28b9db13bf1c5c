// The dialog as drawn at 96 pixels per inch: every control with its class,
// caption, client position and size. Creation order is the z-order, and the
// z-order of the WS_TABSTOP controls is the tab order, so the table lists
// GroupBox1 and its check boxes first, then Edit1, Button1 and Button2.
#pragma once

#include <windows.h>

#include <array>

namespace q527 {

constexpr wchar_t kAppTitle[] = L"q527_円→多角形変換";
constexpr wchar_t kDialogCaption[] = L"円→多角形変換";
constexpr int kClientWidth = 467;
constexpr int kClientHeight = 224;

constexpr COLORREF kFormColor = RGB(255, 255, 255);
constexpr COLORREF kLabel1Color = RGB(192, 220, 192);
constexpr COLORREF kMemo1Color = RGB(187, 235, 244);
constexpr COLORREF kLabelA1Color = RGB(231, 231, 231);

// "ＭＳ ゴシック" in pixels of character height.
constexpr int kFontHeight = 13;
constexpr int kLabel1FontHeight = 19;

// clang-format off: one name each, in creation order
enum class Ctl {
  Label1,
  GroupBox1,
  CheckBox1,
  CheckBox2,
  CheckBox3,
  Label2,
  Edit1,
  Memo1,
  Button1,
  Button2,
  LabelA1,
  Count
};
// clang-format on
constexpr int kControlCount = static_cast<int>(Ctl::Count);

struct ControlSpec {
  Ctl ctl;
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
  DWORD exStyle;
};

// The notes of Memo1; lines that start with a blank start with U+3000.
constexpr wchar_t kMemo1Text[] =
    L"◇レイヤグループ\r\n"
    L"　レイヤ、線色、線種、\r\n"
    L"　線幅は同じ状態に\r\n"
    L"　します\r\n"
    L"◇円周ソリッドは\r\n"
    L"　線形ソリッドに\r\n"
    L"　変換します\r\n"
    L"\r\n"
    L"◆ブロック図形内のもの\r\n"
    L"　は処理出来ませんので\r\n"
    L"　御注意下さい。\r\n"
    L"　ブロック編集内で行う\r\n"
    L"　場合には、本ソフトを\r\n"
    L"　Jw_cadのインストール・\r\n"
    L"　フォルダに配置して\r\n"
    L"　実行を行う必要がある\r\n"
    L"　場合があります。";

// GroupBox1 lies at (8, 40); its check boxes at (8, 24), (8, 52) and (8, 80)
// inside it are siblings here, at those offsets from the group's corner.
constexpr int kGroupLeft = 8;
constexpr int kGroupTop = 40;

// clang-format off: one control a row, as the layout table reads
constexpr std::array<ControlSpec, kControlCount> kControls{{
    {Ctl::Label1, 1001, L"STATIC", L"◆円円弧を内接多角形に変換します◆", 0, 0, 467, 33,
     SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0},
    {Ctl::GroupBox1, 1002, L"BUTTON", L"対象図形(&E)", kGroupLeft, kGroupTop, 169, 113,
     BS_GROUPBOX | WS_GROUP, 0},
    {Ctl::CheckBox1, 1003, L"BUTTON", L"円", kGroupLeft + 8, kGroupTop + 24, 57, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {Ctl::CheckBox2, 1004, L"BUTTON", L"円弧・楕円・楕円弧", kGroupLeft + 8, kGroupTop + 52, 153,
     17, BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {Ctl::CheckBox3, 1005, L"BUTTON", L"円周ソリッド", kGroupLeft + 8, kGroupTop + 80, 145, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {Ctl::Label2, 1006, L"STATIC", L"分割数：", 184, 108, 56, 13, SS_LEFT | SS_NOPREFIX | WS_GROUP,
     0},
    {Ctl::Edit1, 1007, L"EDIT", L"24", 216, 128, 57, 21,
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE},
    {Ctl::Memo1, 1008, L"EDIT", kMemo1Text, 288, 40, 177, 113,
     ES_LEFT | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_GROUP,
     WS_EX_CLIENTEDGE},
    {Ctl::Button1, IDOK, L"BUTTON", L"ＯＫ(&Y)", 72, 168, 121, 25,
     BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
    {Ctl::Button2, IDCANCEL, L"BUTTON", L"キャンセル(&N)", 264, 168, 121, 25,
     BS_PUSHBUTTON | WS_TABSTOP, 0},
    {Ctl::LabelA1, 1011, L"STATIC", L"　", 0, 200, 467, 24,
     SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | WS_GROUP, 0},
}};
// clang-format on

}  // namespace q527
