// The window side of the dialog stays thin: the procedures below only route
// messages to TForm1's handlers and paint the colours; everything the
// handlers decide lives in the natively tested TForm1.
#include "form_window.h"

#include <imm.h>

#include <memory>
#include <string>
#include <vector>

#include "common/utf.h"
#include "dialog/form.h"
#include "fonts.h"
#include "layout.h"
#include "resource.h"

namespace q527 {

namespace {

// Posted by Close(): FormClose runs from the message loop, after the handler
// that asked for it has returned.
constexpr UINT kCloseNow = WM_APP + 1;
constexpr wchar_t kOwnerClass[] = L"q527Application";

class FormWindow final : public FormPlatform {
 public:
  FormWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
             const std::filesystem::path& settingsFile)
      : instance_(instance), form_(*this, exchangeFile, settingsFile) {}
  ~FormWindow() override;

  int Run();

  // FormPlatform
  void ShowNow(std::string_view utf8) override;
  bool IsDown() override { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }
  void ReportFailure(std::string_view utf8) override;
  void MoveTo(std::int32_t left, std::int32_t top) override;
  void SetEdit1(std::string_view text) override;
  void SetChecks(bool circle, bool arc, bool solid) override;
  void Close() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK OwnerProc(HWND owner, UINT msg, WPARAM wp, LPARAM lp);

  bool CreateOwner();
  bool CreateDialogWindow();
  void CreateControls();
  // The dialog's messages, each to its handler.
  INT_PTR HandleDialog(UINT msg, WPARAM wp, LPARAM lp);
  HBRUSH ControlColor(HDC dc, HWND control);
  INT_PTR OnCommand(WPARAM wp);
  INT_PTR OnSysCommand(WPARAM wp);
  INT_PTR OnDestroy();
  void CloseWindow();
  // The owner's messages, each to its handler.
  LRESULT HandleOwner(HWND owner, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnOwnerClose();
  void OnOwnerSize(HWND owner, WPARAM wp);
  void OnOwnerSetFocus(HWND owner);
  DialogState ReadDialog() const;
  HWND Control(Ctl c) const { return controls_[static_cast<int>(c)]; }

  HINSTANCE instance_;
  TForm1 form_;
  HWND owner_ = nullptr;
  HWND dialog_ = nullptr;
  HWND controls_[kControlCount]{};
  HICON iconSmall_ = nullptr;
  HICON iconLarge_ = nullptr;
  HFONT font_ = nullptr;
  HFONT label1Font_ = nullptr;
  HBRUSH formBrush_ = nullptr;
  HBRUSH label1Brush_ = nullptr;
  HBRUSH memo1Brush_ = nullptr;
  HBRUSH labelA1Brush_ = nullptr;
};

FormWindow::~FormWindow() {
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(label1Font_),
                    static_cast<HGDIOBJ>(formBrush_), static_cast<HGDIOBJ>(label1Brush_),
                    static_cast<HGDIOBJ>(memo1Brush_), static_cast<HGDIOBJ>(labelA1Brush_)}) {
    if (o) DeleteObject(o);
  }
  if (iconSmall_) DestroyIcon(iconSmall_);
  if (iconLarge_) DestroyIcon(iconLarge_);
}

int FormWindow::Run() {
  iconSmall_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_Q527), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  iconLarge_ =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_Q527), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  font_ = CreateDialogFont(kFontHeight);
  label1Font_ = CreateDialogFont(kLabel1FontHeight);
  formBrush_ = CreateSolidBrush(kFormColor);
  label1Brush_ = CreateSolidBrush(kLabel1Color);
  memo1Brush_ = CreateSolidBrush(kMemo1Color);
  labelA1Brush_ = CreateSolidBrush(kLabelA1Color);

  if (!CreateOwner() || !CreateDialogWindow()) {
    // No window, no choice: the host still gets "hq" back instead of reading
    // its own figures again as the program's answer.
    form_.FormClose();
    return 1;
  }

  // OnShow comes before the window is visible, so the saved position and the
  // counts are in place when it first appears.
  form_.FormShow();
  ShowWindow(dialog_, SW_SHOW);
  SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(Ctl::CheckBox1)), TRUE);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (dialog_ && IsDialogMessageW(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (owner_) DestroyWindow(owner_);
  return 0;
}

// The task bar shows the application title, the dialog its own caption: a
// zero-sized owner window carries the title and the task-bar button, as the
// classic frameworks do it, and the dialog has no button of its own.
bool FormWindow::CreateOwner() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = instance_;
  wc.hIcon = iconLarge_;
  wc.hIconSm = iconSmall_;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kOwnerClass;
  if (!RegisterClassExW(&wc)) return false;
  owner_ = CreateWindowExW(0, kOwnerClass, kAppTitle,
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                           nullptr, instance_, this);
  if (!owner_) return false;
  ShowWindow(owner_, SW_SHOWNOACTIVATE);
  return true;
}

// A dialog from an empty in-memory template: the dialog manager brings the
// default and cancel buttons, Tab and the Alt accelerators, while the
// controls are placed in pixels below (template units would follow a font).
bool FormWindow::CreateDialogWindow() {
  // No WS_CLIPCHILDREN: a group box paints only its frame, so the dialog's
  // own white background has to show through it.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  std::vector<WORD> t;
  auto dword = [&t](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  dword(style);
  dword(0);                                    // extended style
  t.push_back(0);                              // no controls in the template
  for (int i = 0; i < 4; ++i) t.push_back(0);  // x, y, cx, cy: set in pixels later
  t.push_back(0);                              // no menu
  t.push_back(0);                              // the dialog class
  for (const wchar_t* p = kDialogCaption; *p; ++p) t.push_back(static_cast<WORD>(*p));
  t.push_back(0);
  dialog_ = CreateDialogIndirectParamW(instance_, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                       owner_, DialogProc, reinterpret_cast<LPARAM>(this));
  return dialog_ != nullptr;
}

void FormWindow::CreateControls() {
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_));
  SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconLarge_));

  // Child windows join at the bottom of the z-order, so creating them in
  // table order makes the table order the tab order.
  for (const ControlSpec& c : kControls) {
    HWND h = CreateWindowExW(
        c.exStyle, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, c.left, c.top, c.width,
        c.height, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    controls_[static_cast<int>(c.ctl)] = h;
    SendMessageW(h, WM_SETFONT,
                 reinterpret_cast<WPARAM>(c.ctl == Ctl::Label1 ? label1Font_ : font_), FALSE);
  }
  HWND edit1 = Control(Ctl::Edit1);
  SendMessageW(edit1, EM_LIMITTEXT, 3, 0);
  ImmAssociateContext(edit1, nullptr);  // digits only: no input method composition
}

INT_PTR CALLBACK FormWindow::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lp);
    auto* self = reinterpret_cast<FormWindow*>(lp);
    self->dialog_ = dialog;
    self->CreateControls();
    return FALSE;  // the focus is set once the dialog is visible
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return self ? self->HandleDialog(msg, wp, lp) : FALSE;
}

INT_PTR FormWindow::HandleDialog(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(formBrush_);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(
          ControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_COMMAND: return OnCommand(wp);
    case WM_SYSCOMMAND: return OnSysCommand(wp);
    case kCloseNow: CloseWindow(); return TRUE;
    case WM_ENDSESSION:
      if (wp) CloseWindow();
      return TRUE;
    case WM_DESTROY: return OnDestroy();
    default: return FALSE;
  }
}

// Enter arrives as IDOK, Esc and the close box (through WM_CLOSE) as
// IDCANCEL: every way out goes through Button2Click or Button1Click, and
// once a close is asked for no click is taken.
INT_PTR FormWindow::OnCommand(WPARAM wp) {
  if (HIWORD(wp) != BN_CLICKED || !form_.IsOpen()) return FALSE;
  if (LOWORD(wp) == IDOK) {
    form_.Button1Click(ReadDialog());
    return TRUE;
  }
  if (LOWORD(wp) == IDCANCEL) {
    form_.Button2Click();
    return TRUE;
  }
  return FALSE;
}

// Minimising the owner hides the dialog with it and keeps the one task-bar
// button.
INT_PTR FormWindow::OnSysCommand(WPARAM wp) {
  if ((wp & 0xFFF0) != SC_MINIMIZE || !owner_) return FALSE;
  ShowWindow(owner_, SW_MINIMIZE);
  SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 0);
  return TRUE;
}

// Destroyed from outside without a close, the host still expects its file
// back: FormClose writes it unless the close already did.
INT_PTR FormWindow::OnDestroy() {
  form_.FormClose();
  dialog_ = nullptr;
  PostQuitMessage(0);
  return TRUE;
}

HBRUSH FormWindow::ControlColor(HDC dc, HWND control) {
  HBRUSH brush = formBrush_;
  COLORREF back = kFormColor;
  if (control == Control(Ctl::Label1)) {
    brush = label1Brush_;
    back = kLabel1Color;
  } else if (control == Control(Ctl::Memo1)) {
    brush = memo1Brush_;
    back = kMemo1Color;
  } else if (control == Control(Ctl::LabelA1)) {
    brush = labelA1Brush_;
    back = kLabelA1Color;
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, back);
  return brush;
}

DialogState FormWindow::ReadDialog() const {
  DialogState s;
  RECT r{};
  GetWindowRect(dialog_, &r);
  s.left = r.left;
  s.top = r.top;
  HWND edit1 = Control(Ctl::Edit1);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit1)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(edit1, text.data(), static_cast<int>(text.size()))));
  s.edit1 = NarrowToUtf8(text);
  auto checked = [this](Ctl c) {
    return SendMessageW(Control(c), BM_GETCHECK, 0, 0) == BST_CHECKED;
  };
  s.checkCircle = checked(Ctl::CheckBox1);
  s.checkArc = checked(Ctl::CheckBox2);
  s.checkSolid = checked(Ctl::CheckBox3);
  return s;
}

void FormWindow::CloseWindow() {
  if (!dialog_) return;
  form_.FormClose();
  DestroyWindow(dialog_);
}

void FormWindow::ShowNow(std::string_view utf8) {
  HWND label = Control(Ctl::LabelA1);
  SetWindowTextW(label, WidenUtf8(utf8).c_str());
  // The run keeps the message loop waiting, so paint the label right here.
  RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FormWindow::ReportFailure(std::string_view utf8) {
  MessageBoxW(dialog_, WidenUtf8(utf8).c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

void FormWindow::MoveTo(std::int32_t left, std::int32_t top) {
  // Unclamped: a position off the screen is kept as it was saved.
  SetWindowPos(dialog_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::SetEdit1(std::string_view text) {
  SetWindowTextW(Control(Ctl::Edit1), WidenUtf8(text).c_str());
}

void FormWindow::SetChecks(bool circle, bool arc, bool solid) {
  SendMessageW(Control(Ctl::CheckBox1), BM_SETCHECK, circle ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(Control(Ctl::CheckBox2), BM_SETCHECK, arc ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(Control(Ctl::CheckBox3), BM_SETCHECK, solid ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormWindow::Close() { PostMessageW(dialog_, kCloseNow, 0, 0); }

LRESULT CALLBACK FormWindow::OwnerProc(HWND owner, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(owner, GWLP_USERDATA));
  return self ? self->HandleOwner(owner, msg, wp, lp) : DefWindowProcW(owner, msg, wp, lp);
}

LRESULT FormWindow::HandleOwner(HWND owner, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_CLOSE) return OnOwnerClose();
      break;
    case WM_CLOSE: return OnOwnerClose();
    case WM_SIZE: OnOwnerSize(owner, wp); break;
    case WM_SETFOCUS: OnOwnerSetFocus(owner); return 0;
    default: break;
  }
  return DefWindowProcW(owner, msg, wp, lp);
}

// Closing from the task bar is closing the dialog.
LRESULT FormWindow::OnOwnerClose() {
  if (dialog_) PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

// Minimised, the owner takes the dialog along, and brings it back; where
// the system already did so this changes nothing.
void FormWindow::OnOwnerSize(HWND owner, WPARAM wp) {
  if (wp == SIZE_MINIMIZED) ShowOwnedPopups(owner, FALSE);
  if (wp == SIZE_RESTORED) ShowOwnedPopups(owner, TRUE);
}

// Activated through its task-bar button: the focus goes on to the dialog,
// or to a message box it shows.
void FormWindow::OnOwnerSetFocus(HWND owner) {
  if (!dialog_ || IsIconic(owner)) return;
  HWND popup = GetLastActivePopup(owner);
  if (popup && popup != owner && IsWindowEnabled(popup)) SetActiveWindow(popup);
}

}  // namespace

int RunFormWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
                  const std::filesystem::path& settingsFile) {
  auto window = std::make_unique<FormWindow>(instance, exchangeFile, settingsFile);
  return window->Run();
}

}  // namespace q527
