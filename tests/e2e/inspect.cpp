// q527-inspect.exe: finds the running q527 dialog and reads or drives it
// through ordinary window messages, for the Wine tests. Commands run in
// the order given; every read prints plain lines of UTF-8 text.
//
//   wait SECONDS        wait for the dialog to be visible
//   gone SECONDS        wait for the dialog to be gone
//   dump                the dialog, its owner and every control
//   focus               the control that has the keyboard focus
//   waitfocus NAME S    wait until NAME has the focus (posted keys take a moment)
//   tabcycle            the controls Tab visits, from the first check box
//   settext NAME TEXT   WM_SETTEXT
//   type TEXT           WM_CHAR for each character, to Edit1
//   click NAME          BM_CLICK, waiting for it to be handled
//   press NAME          BM_CLICK, posted (for buttons that close the dialog)
//   key enter|esc|tab   WM_KEYDOWN/WM_KEYUP to the focused control
//   alt LETTER          WM_SYSCHAR with Alt, to the focused control
//   altf4               WM_SYSKEYDOWN F4 with Alt, to the focused control
//   hold esc|release    the Escape key down or up as real input (SendInput),
//                       which is what the output pass polls; while it is
//                       held a window of ours has the foreground, so the
//                       key's own message does not reach the dialog
//   sysclose            WM_SYSCOMMAND SC_CLOSE (the close box)
//   minimize            WM_SYSCOMMAND SC_MINIMIZE (the minimise box)
//   restore             WM_SYSCOMMAND SC_RESTORE to the owner (its task-bar button)
//   ownerclose          WM_SYSCOMMAND SC_CLOSE to the owner (Close on the task bar)
//   waitshown V I S     wait until the dialog's visibility is V and its
//                       owner's minimised state I (0 or 1), S seconds at most
//   focusctl NAME       WM_NEXTDLGCTL: the focus to NAME, as a click would put it
//   colour X Y W H      the commonest screen colour in a client rectangle
//   shot FILE           the dialog's window as a 24-bit BMP
//   resources EXE       the icon, version texts and manifest of an executable
//   msgbox S            wait S seconds at most for the program's message box
//                       and print its text
//   dismiss             press the message box's OK button, wait for it to go
//   outcome S           wait S seconds at most for the dialog to close or a
//                       message box to show: "gone", or "msgbox TEXT"
//   lock FILE STOP S    open FILE sharing nothing, print "locked", and hold it
//                       until the file STOP exists or S seconds have passed,
//                       as another program that has the file open would
//   readonly FILE 0|1   clear or set FILE's read-only attribute
//   attributes FILE     "attributes readonly=0|1" of FILE
//   fpuhook DLL         hook the dialog's thread with q527-fpu-hook.dll, which
//                       leaves the x87 at 53-bit precision on every message
//   sleep MS
//
// "--plus" first drives q527-plus.exe instead, with the commands of
// inspect_plus.cpp besides these.
//
// gone fails at once when a message box of the program is up: a test that
// expects one reads it with msgbox first, so every box is accounted for.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "inspect.h"

namespace inspect {

constexpr Named kDialogNames[] = {
    {1001, "Label1"},    {1002, "GroupBox1"},   {1003, "CheckBox1"}, {1004, "CheckBox2"},
    {1005, "CheckBox3"}, {1006, "Label2"},      {1007, "Edit1"},     {1008, "Memo1"},
    {IDOK, "Button1"},   {IDCANCEL, "Button2"}, {1011, "LabelA1"},
};
// The program driven: q527.exe unless "--plus" comes first.
const wchar_t* kCaption = L"円→多角形変換";
const wchar_t* kBoxCaption = L"q527_円→多角形変換";  // the message boxes' title
const Named* kNames = kDialogNames;
std::size_t kNameCount = std::size(kDialogNames);

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// Raw bytes to stdout: the shell reads UTF-8, whatever the console would do.
void Out(const std::string& line) {
  std::string s = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written,
            nullptr);
}

bool g_escHeld = false;

HWND g_sink = nullptr;

void TakeForeground() {
  if (!g_sink) {
    g_sink = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"q527-inspect", WS_POPUP | WS_VISIBLE,
                             -50, -50, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  SetForegroundWindow(g_sink);
  SetFocus(g_sink);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void EscapeInput(bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = VK_ESCAPE;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
  g_escHeld = down;
}

[[noreturn]] void Fail(const std::string& why) {
  if (g_escHeld) EscapeInput(false);  // a held key would outlive this test
  std::string s = "q527-inspect: " + why + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written,
            nullptr);
  ExitProcess(2);
}

std::string Quoted(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SetLastError(0);
  // A zero return with no error is a handled message that returned zero on
  // some systems; only a timeout or a hung window is a failure.
  if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 10000, &result) && GetLastError() != 0)
    Fail("no answer to message " + std::to_string(msg) + ", error " +
         std::to_string(GetLastError()));
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND h) {
  LRESULT n = Send(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
  LRESULT got = Send(h, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(w.data()));
  w.resize(static_cast<std::size_t>(got));
  return w;
}

std::wstring ClassOf(HWND h) {
  wchar_t name[64]{};
  GetClassNameW(h, name, 64);
  return name;
}

const char* NameOf(HWND h) {
  int id = GetDlgCtrlID(h);
  for (std::size_t k = 0; k < kNameCount; ++k)
    if (kNames[k].id == id) return kNames[k].name;
  return "?";
}

bool g_hiddenToo = false;  // minimised with its owner, the dialog is hidden

BOOL CALLBACK MatchDialog(HWND h, LPARAM found) {
  wchar_t text[64]{};
  GetWindowTextW(h, text, 64);
  if (ClassOf(h) == L"#32770" && std::wstring(text) == kCaption &&
      (g_hiddenToo || IsWindowVisible(h))) {
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialog() {
  HWND found = nullptr;
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND Dialog() {
  HWND d = FindDialog();
  if (!d) Fail("dialog not found");
  return d;
}

HWND Control(const std::string& name) {
  for (std::size_t k = 0; k < kNameCount; ++k)
    if (name == kNames[k].name) {
      HWND h = GetDlgItem(Dialog(), kNames[k].id);
      if (!h) Fail("no control " + name);
      return h;
    }
  Fail("unknown control " + name);
}

HWND Focused() {
  HWND d = Dialog();
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &info) && info.hwndFocus)
    return info.hwndFocus;
  return d;
}

std::string Flags(HWND h) {
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  const std::wstring cls = ClassOf(h);
  std::vector<const char*> f;
  if (style & WS_TABSTOP) f.push_back("tabstop");
  if (style & WS_GROUP) f.push_back("group");
  if (!(style & WS_VISIBLE)) f.push_back("hidden");
  if (style & WS_DISABLED) f.push_back("disabled");
  if (style & WS_VSCROLL) f.push_back("vscroll");
  if (style & WS_HSCROLL) f.push_back("hscroll");
  if (ex & WS_EX_CLIENTEDGE) f.push_back("clientedge");
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX: f.push_back("groupbox"); break;
      case BS_AUTOCHECKBOX: f.push_back("autocheckbox"); break;
      case BS_CHECKBOX: f.push_back("checkbox"); break;
      case BS_DEFPUSHBUTTON: f.push_back("default"); break;
      case BS_PUSHBUTTON: f.push_back("pushbutton"); break;
      case BS_AUTORADIOBUTTON: f.push_back("autoradio"); break;
      default: f.push_back("button"); break;
    }
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON)
      f.push_back(Send(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? "checked" : "unchecked");
  } else if (_wcsicmp(cls.c_str(), L"Edit") == 0) {
    if (style & ES_MULTILINE) f.push_back("multiline");
    if (style & ES_READONLY) f.push_back("readonly");
    if (style & ES_WANTRETURN) f.push_back("wantreturn");
    if (style & ES_AUTOHSCROLL) f.push_back("autohscroll");
  } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    const LONG type = style & SS_TYPEMASK;
    f.push_back(type == SS_CENTER  ? "center"
                : type == SS_RIGHT ? "right"
                : type == SS_LEFT  ? "left"
                                   : "other");
    if (style & SS_CENTERIMAGE) f.push_back("vcenter");
  }
  std::string s;
  for (const char* x : f) s += (s.empty() ? "" : ",") + std::string(x);
  return s.empty() ? "-" : s;
}

std::string Rect(HWND dialog, HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return buf;
}

void Dump() {
  HWND d = Dialog();
  const LONG style = GetWindowLongW(d, GWL_STYLE);
  const LONG ex = GetWindowLongW(d, GWL_EXSTYLE);
  RECT w{}, c{};
  GetWindowRect(d, &w);
  GetClientRect(d, &c);
  char buf[256];
  Out("caption " + Quoted(TextOf(d)));
  std::snprintf(buf, sizeof buf, "window %ld %ld", w.left, w.top);
  Out(buf);
  std::snprintf(buf, sizeof buf, "outer %ld %ld", w.right - w.left, w.bottom - w.top);
  Out(buf);
  std::snprintf(buf, sizeof buf, "client %ld %ld", c.right, c.bottom);
  Out(buf);
  std::snprintf(
      buf, sizeof buf,
      "frame caption=%d sysmenu=%d minimizebox=%d maximizebox=%d thickframe=%d appwindow=%d",
      (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0, (style & WS_MINIMIZEBOX) != 0,
      (style & WS_MAXIMIZEBOX) != 0, (style & WS_THICKFRAME) != 0, (ex & WS_EX_APPWINDOW) != 0);
  Out(buf);
  HWND owner = GetWindow(d, GW_OWNER);
  if (owner) {
    std::snprintf(buf, sizeof buf, " visible=%d toolwindow=%d", IsWindowVisible(owner) != 0,
                  (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0);
    Out("owner " + Quoted(TextOf(owner)) + buf);
  } else {
    Out("owner none");
  }
  std::string tab = "taborder";
  for (HWND h = GetWindow(d, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    Out("control " + std::string(NameOf(h)) + " " + Utf8(ClassOf(h)) + " " + Rect(d, h) + " " +
        Flags(h) + " " + Quoted(TextOf(h)));
    if (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) tab += " " + std::string(NameOf(h));
  }
  Out(tab);
  HWND edit = GetDlgItem(d, 1007);
  if (edit) Out("edit1limit " + std::to_string(Send(edit, EM_GETLIMITTEXT, 0, 0)));
}

void TabCycle() {
  HWND d = Dialog();
  HWND first = GetDlgItem(d, 1003);
  std::string s = "tabcycle";
  HWND h = first;
  for (int i = 0; i < 12 && h; ++i) {
    s += " " + std::string(NameOf(h));
    h = GetNextDlgTabItem(d, h, FALSE);
    if (h == first) break;
  }
  Out(s);
}

void PostKey(UINT down, UINT up, WPARAM vk, LPARAM flags) {
  HWND target = Focused();
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  PostMessageW(target, down, vk, 1 | (static_cast<LPARAM>(scan) << 16) | flags);
  PostMessageW(target, up, vk,
               1 | (static_cast<LPARAM>(scan) << 16) | flags | (1L << 30) | (1L << 31));
}

Capture CaptureWindow(HWND d) {
  RECT r{};
  GetWindowRect(d, &r);
  Capture c;
  c.width = r.right - r.left;
  c.height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = c.width;
  bi.bmiHeader.biHeight = -c.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  c.pixels.assign(p, p + static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height));
  for (auto& px : c.pixels) px &= 0xFFFFFF;
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return c;
}

POINT ClientOrigin(HWND d) {
  RECT r{};
  GetWindowRect(d, &r);
  POINT p{0, 0};
  ClientToScreen(d, &p);
  return POINT{p.x - r.left, p.y - r.top};
}

void Colour(int x, int y, int w, int h) {
  HWND d = Dialog();
  const Capture c = CaptureWindow(d);
  const POINT o = ClientOrigin(d);
  std::map<std::uint32_t, int> counts;
  int total = 0;
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col) {
      const int cx = col + o.x, cy = row + o.y;
      if (cx < 0 || cy < 0 || cx >= c.width || cy >= c.height) continue;
      ++counts[c.pixels[static_cast<std::size_t>(cy) * static_cast<std::size_t>(c.width) +
                        static_cast<std::size_t>(cx)]];
      ++total;
    }
  std::uint32_t best = 0;
  int bestCount = 0;
  for (const auto& [colour, n] : counts)
    if (n > bestCount) {
      best = colour;
      bestCount = n;
    }
  char buf[96];
  std::snprintf(buf, sizeof buf, "colour %u %u %u %d%%", (best >> 16) & 0xFF, (best >> 8) & 0xFF,
                best & 0xFF, total ? bestCount * 100 / total : 0);
  Out(buf);
}

void Shot(const std::wstring& file) {
  const Capture c = CaptureWindow(Dialog());
  const DWORD stride = static_cast<DWORD>((c.width * 3 + 3) & ~3);
  std::vector<unsigned char> rows(stride * static_cast<DWORD>(c.height));
  for (int y = 0; y < c.height; ++y)  // BMP rows run bottom-up
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t px =
          c.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width) +
                   static_cast<std::size_t>(x)];
      unsigned char* out = &rows[static_cast<std::size_t>(c.height - 1 - y) * stride +
                                 static_cast<std::size_t>(x) * 3];
      out[0] = px & 0xFF;
      out[1] = (px >> 8) & 0xFF;
      out[2] = (px >> 16) & 0xFF;
    }
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = c.width;
  ih.biHeight = c.height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biCompression = BI_RGB;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(rows.size());
  HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) Fail("cannot write the screenshot");
  DWORD n = 0;
  WriteFile(f, &fh, sizeof fh, &n, nullptr);
  WriteFile(f, &ih, sizeof ih, &n, nullptr);
  WriteFile(f, rows.data(), static_cast<DWORD>(rows.size()), &n, nullptr);
  CloseHandle(f);
}

// Reads the executable's resources as data, so a 32-bit image can be read
// from a 64-bit inspector too.
void Resources(const std::wstring& exe) {
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!m) Fail("cannot open " + Utf8(exe));
  HRSRC group = FindResourceW(m, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  if (group) {
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(m, group)));
    const int count = dir[4] | (dir[5] << 8);
    for (int i = 0; i < count; ++i) {
      const BYTE* e = dir + 6 + i * 14;  // GRPICONDIRENTRY
      char buf[96];
      std::snprintf(buf, sizeof buf, "icon %dx%d colours=%d bits=%d", e[0] ? e[0] : 256,
                    e[1] ? e[1] : 256, e[2], e[6] | (e[7] << 8));
      Out(buf);
    }
  } else {
    Out("icon none");
  }
  HRSRC manifest = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  if (manifest) {
    std::string text(static_cast<const char*>(LockResource(LoadResource(m, manifest))),
                     SizeofResource(m, manifest));
    const bool unaware = text.find("<dpiAware") != std::string::npos &&
                         text.find(">false</dpiAware>") != std::string::npos;
    Out(std::string("manifest dpiaware=") + (unaware ? "false" : "other"));
    if (text.find("PerMonitorV2") != std::string::npos) Out("manifest permonitorv2");
    if (text.find("Microsoft.Windows.Common-Controls") != std::string::npos &&
        text.find("version=\"6.0.0.0\"") != std::string::npos) {
      Out("manifest commoncontrols6");
    }
  } else {
    Out("manifest none");
  }
  FreeLibrary(m);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
  std::vector<BYTE> info(size);
  if (size && GetFileVersionInfoW(exe.c_str(), 0, size, info.data())) {
    for (const wchar_t* key :
         {L"FileDescription", L"OriginalFilename", L"ProductName", L"FileVersion"}) {
      void* value = nullptr;
      UINT len = 0;
      std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
      if (VerQueryValueW(info.data(), path.c_str(), &value, &len) && len)
        Out("version " + Utf8(key) + " " + Quoted(static_cast<const wchar_t*>(value)));
    }
  } else {
    Out("version none");
  }
}

BOOL CALLBACK MatchBox(HWND h, LPARAM found) {
  wchar_t text[64]{};
  GetWindowTextW(h, text, 64);
  if (ClassOf(h) == L"#32770" && std::wstring(text) == kBoxCaption && IsWindowVisible(h)) {
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindBox() {
  HWND found = nullptr;
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The message text: the box's static controls that hold text (the icon's
// has none).
std::wstring BoxText(HWND box) {
  std::wstring text;
  for (HWND h = GetWindow(box, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassOf(h).c_str(), L"Static") != 0) continue;
    const std::wstring t = TextOf(h);
    if (!t.empty()) text += (text.empty() ? L"" : L"|") + t;
  }
  return text;
}

void WaitMessageBox(double seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  HWND box;
  while (!(box = FindBox())) {
    if (GetTickCount64() > end) Fail("no message box");
    Sleep(50);
  }
  Out("msgbox " + Quoted(BoxText(box)));
}

void DismissMessageBox() {
  HWND box = FindBox();
  if (!box) Fail("no message box to dismiss");
  HWND ok = GetDlgItem(box, IDOK);
  if (!ok) Fail("the message box has no OK button");
  PostMessageW(ok, BM_CLICK, 0, 0);
  const ULONGLONG end = GetTickCount64() + 10000;
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (GetTickCount64() > end) Fail("the message box did not close");
    Sleep(20);
  }
}

// Holds FILE the way another program that opened it without sharing does.
void Lock(const std::wstring& file, const std::wstring& stop, double seconds) {
  HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE)
    Fail("cannot open " + Utf8(file) + ", error " + std::to_string(GetLastError()));
  Out("locked");
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  while (GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end)
    Sleep(20);
  CloseHandle(f);
}

void SetReadOnly(const std::wstring& file, bool on) {
  const DWORD a = GetFileAttributesW(file.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) Fail("no file " + Utf8(file));
  const DWORD want =
      on ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  if (!SetFileAttributesW(file.c_str(), want)) Fail("cannot set the attributes of " + Utf8(file));
}

bool WaitFor(bool present, double seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (!present) {
      if (HWND box = FindBox()) Fail("unexpected message box " + Quoted(BoxText(box)));
    }
    if ((FindDialog() != nullptr) == present) return true;
    if (GetTickCount64() > end) return false;
    Sleep(50);
  }
}

// Puts the hook DLL into the dialog's thread and lets it see a message.
// The hook stays until this program ends.
void InstallFpuHook(const std::wstring& dll) {
  HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) Fail("cannot load the hook DLL");
  auto proc =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "FpuHookProc")));
  if (!proc) Fail("the hook DLL has no FpuHookProc");
  const DWORD tid = GetWindowThreadProcessId(Dialog(), nullptr);
  if (!SetWindowsHookExW(WH_GETMESSAGE, proc, module, tid)) Fail("SetWindowsHookEx failed");
  PostMessageW(Dialog(), WM_NULL, 0, 0);
  Sleep(200);
  Out("fpuhook installed");
}

}  // namespace inspect

int wmain(int argc, wchar_t** argv) {
  using namespace inspect;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  if (!args.empty() && args[0] == "--plus") {
    UsePlusNames();
    args.erase(args.begin());
  }
  auto need = [&](std::size_t i, std::size_t n) {
    if (i + n >= args.size()) Fail("missing argument after " + args[i]);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& cmd = args[i];
    if (cmd == "wait" || cmd == "gone") {
      need(i, 1);
      if (!WaitFor(cmd == "wait", std::atof(args[++i].c_str())))
        Fail(cmd == "wait" ? "dialog did not appear" : "dialog did not close");
    } else if (cmd == "dump") {
      Dump();
    } else if (cmd == "focus") {
      Out(std::string("focus ") + NameOf(Focused()));
    } else if (cmd == "waitfocus") {
      need(i, 2);
      const std::string want = args[i + 1];
      const ULONGLONG end =
          GetTickCount64() + static_cast<ULONGLONG>(std::atof(args[i + 2].c_str()) * 1000);
      while (NameOf(Focused()) != want) {
        if (GetTickCount64() > end)
          Fail(std::string("focus is on ") + NameOf(Focused()) + ", not " + want);
        Sleep(20);
      }
      i += 2;
    } else if (cmd == "tabcycle") {
      TabCycle();
    } else if (cmd == "settext") {
      need(i, 2);
      HWND h = Control(args[i + 1]);
      std::wstring text = Wide(args[i + 2]);
      Send(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      i += 2;
    } else if (cmd == "type") {
      need(i, 1);
      HWND edit = Control("Edit1");
      for (wchar_t ch : Wide(args[++i])) Send(edit, WM_CHAR, ch, 1);
    } else if (cmd == "click") {
      need(i, 1);
      Send(Control(args[++i]), BM_CLICK, 0, 0);
    } else if (cmd == "press") {
      need(i, 1);
      PostMessageW(Control(args[++i]), BM_CLICK, 0, 0);
    } else if (cmd == "key") {
      need(i, 1);
      const std::string& k = args[++i];
      const WPARAM vk = k == "enter" ? VK_RETURN : k == "esc" ? VK_ESCAPE : k == "tab" ? VK_TAB : 0;
      if (!vk) Fail("unknown key " + k);
      PostKey(WM_KEYDOWN, WM_KEYUP, vk, 0);
    } else if (cmd == "alt") {
      need(i, 1);
      const std::wstring letter = Wide(args[++i]);
      if (letter.size() != 1) Fail("alt takes one letter");
      PostMessageW(Focused(), WM_SYSCHAR, letter[0], 1 | (1L << 29));
    } else if (cmd == "altf4") {
      PostKey(WM_SYSKEYDOWN, WM_SYSKEYUP, VK_F4, 1L << 29);
    } else if (cmd == "minimize") {
      PostMessageW(Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (cmd == "restore" || cmd == "ownerclose") {
      g_hiddenToo = true;
      HWND owner = GetWindow(Dialog(), GW_OWNER);
      g_hiddenToo = false;
      if (!owner) Fail("the dialog has no owner");
      PostMessageW(owner, WM_SYSCOMMAND, cmd == "restore" ? SC_RESTORE : SC_CLOSE, 0);
    } else if (cmd == "waitshown") {
      need(i, 3);
      const bool visible = args[i + 1] == "1", iconic = args[i + 2] == "1";
      const ULONGLONG end =
          GetTickCount64() + static_cast<ULONGLONG>(std::atof(args[i + 3].c_str()) * 1000);
      g_hiddenToo = true;
      for (;;) {
        HWND d = Dialog();
        HWND owner = GetWindow(d, GW_OWNER);
        const bool v = IsWindowVisible(d) != 0, ic = owner && IsIconic(owner);
        if (v == visible && ic == iconic) break;
        if (GetTickCount64() > end)
          Fail(std::string("dialog visible=") + (v ? "1" : "0") +
               " owner minimised=" + (ic ? "1" : "0"));
        Sleep(20);
      }
      g_hiddenToo = false;
      i += 3;
    } else if (cmd == "focusctl") {
      need(i, 1);
      Send(Dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(args[++i])), TRUE);
    } else if (cmd == "hold") {
      need(i, 1);
      if (args[++i] != "esc") Fail("hold takes esc");
      TakeForeground();
      if (GetForegroundWindow() != g_sink) Fail("cannot take the foreground");
      EscapeInput(true);
    } else if (cmd == "release") {
      EscapeInput(false);
    } else if (cmd == "sysclose") {
      PostMessageW(Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (cmd == "colour") {
      need(i, 4);
      Colour(std::atoi(args[i + 1].c_str()), std::atoi(args[i + 2].c_str()),
             std::atoi(args[i + 3].c_str()), std::atoi(args[i + 4].c_str()));
      i += 4;
    } else if (cmd == "shot") {
      need(i, 1);
      Shot(Wide(args[++i]));
    } else if (cmd == "resources") {
      need(i, 1);
      Resources(Wide(args[++i]));
    } else if (cmd == "msgbox") {
      need(i, 1);
      WaitMessageBox(std::atof(args[++i].c_str()));
    } else if (cmd == "outcome") {
      need(i, 1);
      const ULONGLONG end =
          GetTickCount64() + static_cast<ULONGLONG>(std::atof(args[++i].c_str()) * 1000);
      for (;;) {
        if (HWND box = FindBox()) {
          Out("msgbox " + Quoted(BoxText(box)));
          break;
        }
        if (!FindDialog()) {
          Out("gone");
          break;
        }
        if (GetTickCount64() > end) Fail("the dialog neither closed nor showed a message");
        Sleep(50);
      }
    } else if (cmd == "dismiss") {
      DismissMessageBox();
    } else if (cmd == "lock") {
      need(i, 3);
      Lock(Wide(args[i + 1]), Wide(args[i + 2]), std::atof(args[i + 3].c_str()));
      i += 3;
    } else if (cmd == "readonly") {
      need(i, 2);
      SetReadOnly(Wide(args[i + 1]), args[i + 2] == "1");
      i += 2;
    } else if (cmd == "attributes") {
      need(i, 1);
      const DWORD a = GetFileAttributesW(Wide(args[++i]).c_str());
      if (a == INVALID_FILE_ATTRIBUTES) Fail("no file " + args[i]);
      Out(std::string("attributes readonly=") + ((a & FILE_ATTRIBUTE_READONLY) ? "1" : "0"));
    } else if (cmd == "fpuhook") {
      need(i, 1);
      InstallFpuHook(Wide(args[++i]));
    } else if (cmd == "sleep") {
      need(i, 1);
      Sleep(static_cast<DWORD>(std::atoi(args[++i].c_str())));
    } else if (!RunPlusCommand(args, i)) {
      Fail("unknown command " + cmd);
    }
  }
  return 0;
}
