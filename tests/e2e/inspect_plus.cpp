// The inspector's commands for q527-plus.exe (after "--plus"):
//
//   typefocus TEXT        WM_CHAR for each character, to the focused control
//   clientsize NAME       "clientsize W H" of a control's client area
//   colourcount NAME X Y W H RRGGBB
//                         how many pixels of that colour lie in the rectangle
//                         of the control's client area: "colourcount N"
//   waitnotext NAME TEXT S  wait until the control's text no longer holds TEXT
//   wheel NAME X Y N      N wheel notches (negative: out) at a client point
//   drag NAME X0 Y0 X1 Y1 the left button pressed, moved in ten steps, let go
//   stress NAME SECONDS   wheel turns and drags at the control for that long,
//                         each followed by a message the window must answer:
//                         "stress events=N longest=MS mean=MS"
#include <cstdio>
#include <cstdlib>

#include "inspect.h"

namespace inspect {

namespace {

constexpr Named kPlusNames[] = {
    {2001, "GroupKinds"},
    {2002, "CheckCircle"},
    {2003, "CheckArc"},
    {2004, "CheckSolid"},
    {2005, "GroupSegments"},
    {2006, "RadioCount"},
    {2007, "RadioAccuracy"},
    {2008, "EditCount"},
    {2009, "LabelDeviation"},
    {2010, "EditDeviation"},
    {2011, "LabelAngle"},
    {2012, "EditAngle"},
    {2013, "LabelLength"},
    {2014, "EditLength"},
    {2015, "LabelFewest"},
    {2016, "EditFewest"},
    {2017, "LabelMost"},
    {2018, "EditMost"},
    {2019, "GroupFit"},
    {2020, "RadioInscribed"},
    {2021, "RadioCircumscribed"},
    {2022, "RadioMid"},
    {IDOK, "ButtonOk"},
    {IDCANCEL, "ButtonCancel"},
    {2025, "Pane"},
    {2026, "Status"},
    {2027, "GroupAction"},
    {2028, "RadioConvert"},
    {2029, "RadioRestore"},
    {2030, "LabelRestoreDeviation"},
    {2031, "EditRestoreDeviation"},
    {2032, "LabelRestoreFewest"},
    {2033, "EditRestoreFewest"},
};

double Seconds(const std::string& text) { return std::atof(text.c_str()); }

// A client point of the control in screen coordinates, as WM_MOUSEWHEEL has it.
LPARAM ScreenPoint(HWND h, int x, int y) {
  POINT p{x, y};
  ClientToScreen(h, &p);
  return MAKELPARAM(static_cast<short>(p.x), static_cast<short>(p.y));
}

void PostWheel(HWND h, int x, int y, int notches) {
  PostMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<short>(notches * WHEEL_DELTA)),
               ScreenPoint(h, x, y));
}

void PostDrag(HWND h, int x0, int y0, int x1, int y1) {
  PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
  for (int k = 1; k <= 10; ++k) {
    PostMessageW(h, WM_MOUSEMOVE, MK_LBUTTON,
                 MAKELPARAM(x0 + (x1 - x0) * k / 10, y0 + (y1 - y0) * k / 10));
  }
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
}

void ColourCount(HWND h, int x, int y, int w, int hgt, std::uint32_t colour) {
  const HWND d = Dialog();
  const Capture c = CaptureWindow(d);
  RECT window{};
  GetWindowRect(d, &window);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  const int ox = origin.x - window.left, oy = origin.y - window.top;
  long n = 0;
  for (int row = y; row < y + hgt; ++row) {
    for (int col = x; col < x + w; ++col) {
      const int cx = col + ox, cy = row + oy;
      if (cx < 0 || cy < 0 || cx >= c.width || cy >= c.height) continue;
      n += c.pixels[static_cast<std::size_t>(cy) * static_cast<std::size_t>(c.width) +
                    static_cast<std::size_t>(cx)] == colour;
    }
  }
  Out("colourcount " + std::to_string(n));
}

// Zooms and drags at the control for the given time, and after each event
// times a message to the window: the longest wait is how long the window
// did not answer.
void Stress(HWND h, double seconds) {
  RECT r{};
  GetClientRect(h, &r);
  LARGE_INTEGER f, start, now;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&start);
  double longest = 0, total = 0;
  long events = 0;
  for (;;) {
    QueryPerformanceCounter(&now);
    if (static_cast<double>(now.QuadPart - start.QuadPart) / f.QuadPart > seconds) break;
    const int x = static_cast<int>(r.right * (1 + events % 5) / 6);
    const int y = static_cast<int>(r.bottom * (1 + events % 3) / 4);
    if (events % 4 == 3) {
      PostDrag(h, x, y, x + 15, y - 10);
    } else {
      PostWheel(h, x, y, events % 8 < 4 ? 1 : -1);
    }
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    Send(Dialog(), WM_NULL, 0, 0);
    QueryPerformanceCounter(&t1);
    const double ms = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / f.QuadPart;
    longest = ms > longest ? ms : longest;
    total += ms;
    ++events;
    Sleep(15);
  }
  char buf[128];
  std::snprintf(buf, sizeof buf, "stress events=%ld longest=%.1f mean=%.2f", events, longest,
                events ? total / events : 0.0);
  Out(buf);
}

void WaitNoText(HWND h, const std::wstring& text, double seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  while (TextOf(h).find(text) != std::wstring::npos) {
    if (GetTickCount64() > end) Fail("the text still holds " + Utf8(text) + ": " + Utf8(TextOf(h)));
    Sleep(20);
  }
}

// q527-plus.exe is per-monitor aware: the inspector reads its window in
// the same device pixels, not scaled to 96 dots per inch as the system
// shows windows to programs that are not aware.
void BecomeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto set = reinterpret_cast<SetContextFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (!set || !set(perMonitorV2)) SetProcessDPIAware();
}

}  // namespace

void UsePlusNames() {
  BecomeDpiAware();
  kCaption = L"円→多角形変換（詳細・プレビュー）";
  kBoxCaption = L"q527_円→多角形変換（詳細）";
  kNames = kPlusNames;
  kNameCount = std::size(kPlusNames);
}

bool RunPlusCommand(const std::vector<std::string>& args, std::size_t& i) {
  const std::string& cmd = args[i];
  auto need = [&](std::size_t n) {
    if (i + n >= args.size()) Fail("missing argument after " + cmd);
  };
  auto number = [&](std::size_t k) { return std::atoi(args[i + k].c_str()); };
  if (cmd == "typefocus") {
    need(1);
    HWND target = Focused();
    for (wchar_t ch : Wide(args[++i])) Send(target, WM_CHAR, ch, 1);
  } else if (cmd == "clientsize") {
    need(1);
    RECT r{};
    GetClientRect(Control(args[++i]), &r);
    Out("clientsize " + std::to_string(r.right) + " " + std::to_string(r.bottom));
  } else if (cmd == "colourcount") {
    need(6);
    const auto colour = static_cast<std::uint32_t>(std::strtoul(args[i + 6].c_str(), nullptr, 16));
    ColourCount(Control(args[i + 1]), number(2), number(3), number(4), number(5), colour);
    i += 6;
  } else if (cmd == "waitnotext") {
    need(3);
    WaitNoText(Control(args[i + 1]), Wide(args[i + 2]), Seconds(args[i + 3]));
    i += 3;
  } else if (cmd == "wheel") {
    need(4);
    PostWheel(Control(args[i + 1]), number(2), number(3), number(4));
    i += 4;
  } else if (cmd == "drag") {
    need(5);
    PostDrag(Control(args[i + 1]), number(2), number(3), number(4), number(5));
    i += 5;
  } else if (cmd == "stress") {
    need(2);
    Stress(Control(args[i + 1]), Seconds(args[i + 2]));
    i += 2;
  } else {
    return false;
  }
  return true;
}

}  // namespace inspect
