// The window side of q527-plus.exe stays thin: the procedure only routes
// messages to PlusForm's handlers and lays the controls out; everything the
// handlers decide lives in the natively tested PlusForm.
#include "plus_window.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "choice_controls.h"
#include "common/utf.h"
#include "dialog/plus/plus_form.h"
#include "dialog/plus/plus_layout.h"
#include "dpi.h"
#include "pane_window.h"
#include "resource.h"

namespace q527 {

namespace {

constexpr wchar_t kPlusCaption[] = L"円→多角形変換（詳細・プレビュー）";
constexpr wchar_t kPlusTitle[] = L"q527_円→多角形変換（詳細）";
// Posted by Close(): FormClose runs from the message loop, after the handler
// that asked for it has returned.
constexpr UINT kCloseNow = WM_APP + 1;
// Posted by the preview's thread when a plan or a picture is ready.
constexpr UINT kPreviewReady = WM_APP + 2;
// The margin round a fitted drawing at 96 dots per inch.
constexpr int kPaneMargin = 8;

class PlusWindow final : public PlusPlatform, public PaneWindow::Host {
 public:
  PlusWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
             const std::filesystem::path& settingsFile)
      : instance_(instance), form_(*this, exchangeFile, settingsFile) {}
  ~PlusWindow() override {
    if (font_) DeleteObject(font_);
    if (iconSmall_) DestroyIcon(iconSmall_);
    if (iconLarge_) DestroyIcon(iconLarge_);
  }

  int Run();

  // PlusPlatform
  void ShowNow(std::string_view utf8) override;
  bool IsDown() override { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }
  void ReportFailure(std::string_view utf8) override;
  void Place(const PlusSettings& settings) override;
  void SetChoices(const PlusChoices& choices) override;
  void PostPreviewReady() override { PostMessageW(dialog_, kPreviewReady, 0, 0); }
  void Close() override { PostMessageW(dialog_, kCloseNow, 0, 0); }
  // PaneWindow::Host
  std::shared_ptr<const PreviewPicture> Picture() override { return form_.Picture(); }
  const PictureBox& DrawingBox() override { return form_.DrawingBox(); }
  void ViewChanged(const PaneView& view) override { form_.ViewChanged(view); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  bool CreateDialogWindow();
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void LayOut();
  // The window's messages, each to its handler.
  INT_PTR HandleDialog(UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnCommand(WPARAM wp);
  INT_PTR OnMinMaxInfo(MINMAXINFO* info);
  INT_PTR OnDpiChanged(WPARAM wp, const RECT* suggested);
  INT_PTR OnWheel(WPARAM wp, LPARAM lp);
  INT_PTR OnDestroy();
  void CloseWindow();
  void ChoicesChanged();
  PlusSettings ReadState() const;
  SIZE ClientSizeOf(int widthUnits, int heightUnits) const;
  HWND Control(PlusCtl c) const { return controls_[static_cast<std::size_t>(c)]; }

  HINSTANCE instance_;
  PlusForm form_;
  PaneWindow pane_;
  HWND dialog_ = nullptr;
  ChoiceControls controls_{};
  HFONT font_ = nullptr;
  DialogBase base_;
  UINT dpi_ = kDefaultDpi;
  HICON iconSmall_ = nullptr;
  HICON iconLarge_ = nullptr;
  bool filling_ = false;  // the controls are being set, not changed by the user
};

int PlusWindow::Run() {
  iconSmall_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_Q527), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  iconLarge_ =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_Q527), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  if (!CreateDialogWindow()) {
    // No window, no choice: the host still gets "hq" back.
    form_.FormClose();
    return 1;
  }
  // The exchange file and the settings are read before the window shows,
  // so it first appears in its place with its choices.
  form_.FormShow();
  pane_.Fit();  // the drawing's box is known now
  ShowWindow(dialog_, SW_SHOW);
  // The focus starts on the first group's chosen action.
  const bool restore = form_.Settings().choices.run == RunMode::kRestore;
  SendMessageW(
      dialog_, WM_NEXTDLGCTL,
      reinterpret_cast<WPARAM>(Control(restore ? PlusCtl::RadioRestore : PlusCtl::RadioConvert)),
      TRUE);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (dialog_ && IsDialogMessageW(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

// A dialog from an empty in-memory template: the dialog manager brings the
// default and cancel buttons, Tab, arrows in radio groups and the Alt
// accelerators; the controls are placed from the layout in dialog units.
bool PlusWindow::CreateDialogWindow() {
  const DWORD style =
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  std::vector<WORD> t;
  auto dword = [&t](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  // No WS_CLIPCHILDREN: a group box paints only its frame, so the dialog's
  // own background has to show through it.
  dword(style);
  dword(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT);
  t.push_back(0);                              // no controls in the template
  for (int i = 0; i < 4; ++i) t.push_back(0);  // placed in pixels later
  t.push_back(0);                              // no menu
  t.push_back(0);                              // the dialog class
  for (const wchar_t* p = kPlusCaption; *p; ++p) t.push_back(static_cast<WORD>(*p));
  t.push_back(0);
  dialog_ = CreateDialogIndirectParamW(instance_, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                       nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
  return dialog_ != nullptr;
}

// Child windows join at the bottom of the z-order, so creating them in
// table order makes the table order the tab order.
void PlusWindow::CreateControls() {
  TakeOverDpiScaling(dialog_);
  SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_));
  SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconLarge_));
  for (const PlusControlSpec& c : kPlusControls) {
    if (c.kind == PlusKind::kPane) {
      pane_.Create(instance_, dialog_, c.id, *this);
      controls_[static_cast<std::size_t>(c.ctl)] = pane_.Handle();
      continue;
    }
    const wchar_t* cls = L"BUTTON";
    DWORD style = 0, ex = 0;
    switch (c.kind) {
      case PlusKind::kGroup: style = BS_GROUPBOX; break;
      case PlusKind::kCheck: style = BS_AUTOCHECKBOX | WS_TABSTOP; break;
      case PlusKind::kRadioFirst: style = BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP; break;
      case PlusKind::kRadio: style = BS_AUTORADIOBUTTON; break;
      case PlusKind::kEdit:
        cls = L"EDIT";
        style = ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
        ex = WS_EX_CLIENTEDGE;
        break;
      case PlusKind::kLabel:
        cls = L"STATIC";
        style = SS_LEFT | WS_GROUP;
        break;
      case PlusKind::kDefaultButton: style = BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP; break;
      case PlusKind::kButton: style = BS_PUSHBUTTON | WS_TABSTOP; break;
      case PlusKind::kStatus:
        cls = L"STATIC";
        style = SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_CENTERIMAGE | WS_GROUP;
        ex = WS_EX_STATICEDGE;
        break;
      case PlusKind::kPane: break;
    }
    HWND h = CreateWindowExW(ex, cls, WidenUtf8(c.text).c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                             0, 0, 0, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                             instance_, nullptr);
    controls_[static_cast<std::size_t>(c.ctl)] = h;
    if (c.kind == PlusKind::kEdit) {
      SendMessageW(h, EM_LIMITTEXT, 24, 0);
      ImmAssociateContext(h, nullptr);  // numbers only: no input method composition
    }
  }
  ApplyDpi(WindowDpi(dialog_));
  const SIZE client = ClientSizeOf(kPlusClientWidth, kPlusClientHeight);
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The font of the density, its base units, and every control in its place.
void PlusWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  HFONT old = font_;
  font_ = CreatePlusFont(dpi);
  base_ = BaseUnitsOf(font_);
  for (HWND h : controls_) {
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  if (old) DeleteObject(old);
  pane_.SetMargin(MulDiv(kPaneMargin, static_cast<int>(dpi), kDefaultDpi));
  LayOut();
}

SIZE PlusWindow::ClientSizeOf(int widthUnits, int heightUnits) const {
  return SIZE{DialogUnitsToPixelsX(widthUnits, base_), DialogUnitsToPixelsY(heightUnits, base_)};
}

void PlusWindow::LayOut() {
  RECT client{};
  GetClientRect(dialog_, &client);
  HDWP batch = BeginDeferWindowPos(kPlusControlCount);
  for (const PlusControlSpec& c : kPlusControls) {
    const PlusRect r = PlaceControl(c, client.right, client.bottom, base_);
    HWND h = Control(c.ctl);
    if (!h) continue;
    if (batch) {
      batch = DeferWindowPos(batch, h, nullptr, r.left, r.top, r.width, r.height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!batch) SetWindowPos(h, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER);
  }
  if (batch) EndDeferWindowPos(batch);
  InvalidateRect(dialog_, nullptr, TRUE);
}

INT_PTR CALLBACK PlusWindow::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lp);
    auto* self = reinterpret_cast<PlusWindow*>(lp);
    self->dialog_ = dialog;
    self->CreateControls();
    return FALSE;  // the focus is set once the window is visible
  }
  auto* self = reinterpret_cast<PlusWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return self ? self->HandleDialog(msg, wp, lp) : FALSE;
}

INT_PTR PlusWindow::HandleDialog(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: return OnCommand(wp);
    case WM_SIZE: LayOut(); return TRUE;
    case WM_GETMINMAXINFO: return OnMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
    case WM_DPICHANGED: return OnDpiChanged(wp, reinterpret_cast<const RECT*>(lp));
    case WM_MOUSEWHEEL: return OnWheel(wp, lp);
    case kPreviewReady:
      form_.PreviewReady();
      InvalidateRect(pane_.Handle(), nullptr, FALSE);
      return TRUE;
    case kCloseNow: CloseWindow(); return TRUE;
    case WM_ENDSESSION:
      if (wp) CloseWindow();
      return TRUE;
    case WM_DESTROY: return OnDestroy();
    default: return FALSE;
  }
}

// Enter arrives as IDOK, Esc and the close box as IDCANCEL; every other
// command is a control that changed.
INT_PTR PlusWindow::OnCommand(WPARAM wp) {
  if (!form_.IsOpen()) return FALSE;
  const int id = LOWORD(wp), code = HIWORD(wp);
  if (code == BN_CLICKED && id == kPlusIdOk) {
    form_.OkClick(ReadState());
    return TRUE;
  }
  if (code == BN_CLICKED && id == kPlusIdCancel) {
    form_.CancelClick();
    return TRUE;
  }
  if ((code == BN_CLICKED || code == EN_CHANGE) && !filling_) {
    ChoicesChanged();
    return TRUE;
  }
  return FALSE;
}

INT_PTR PlusWindow::OnMinMaxInfo(MINMAXINFO* info) {
  const SIZE least = ClientSizeOf(kPlusMinClientWidth, kPlusMinClientHeight);
  RECT frame{0, 0, least.cx, least.cy};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  info->ptMinTrackSize.x = frame.right - frame.left;
  info->ptMinTrackSize.y = frame.bottom - frame.top;
  return TRUE;
}

// Moved to a monitor of another density: the font and the layout of that
// density, in the place the system suggests.
INT_PTR PlusWindow::OnDpiChanged(WPARAM wp, const RECT* suggested) {
  ApplyDpi(HIWORD(wp));
  SetWindowPos(dialog_, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

// The wheel goes to the control with the focus; over the pane it zooms.
INT_PTR PlusWindow::OnWheel(WPARAM wp, LPARAM lp) {
  const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  RECT pane{};
  GetWindowRect(pane_.Handle(), &pane);
  if (!PtInRect(&pane, at)) return FALSE;
  pane_.Wheel(at, static_cast<short>(HIWORD(wp)));
  return TRUE;
}

INT_PTR PlusWindow::OnDestroy() {
  form_.FormClose();
  dialog_ = nullptr;
  PostQuitMessage(0);
  return TRUE;
}

void PlusWindow::CloseWindow() {
  if (!dialog_) return;
  form_.FormClose();
  DestroyWindow(dialog_);
}

void PlusWindow::ChoicesChanged() {
  const PlusChoices choices = ReadChoiceControls(controls_);
  const bool modeChanged = choices.run != form_.Settings().choices.run;
  EnableChoiceControls(controls_, choices);
  form_.ChoicesChanged(choices);
  // The other mode draws other figures: the pane fits them.
  if (modeChanged) pane_.Fit();
}

void PlusWindow::SetChoices(const PlusChoices& c) {
  filling_ = true;
  WriteChoiceControls(controls_, c);
  filling_ = false;
}

PlusSettings PlusWindow::ReadState() const {
  PlusSettings s;
  RECT r{};
  GetWindowRect(dialog_, &r);
  s.placed = true;
  s.left = r.left;
  s.top = r.top;
  s.width = r.right - r.left;
  s.height = r.bottom - r.top;
  s.choices = ReadChoiceControls(controls_);
  return s;
}

void PlusWindow::ShowNow(std::string_view utf8) {
  HWND label = Control(PlusCtl::Status);
  SetWindowTextW(label, WidenUtf8(utf8).c_str());
  // The run keeps the message loop waiting, so paint the line right here.
  RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void PlusWindow::ReportFailure(std::string_view utf8) {
  MessageBoxW(dialog_, WidenUtf8(utf8).c_str(), kPlusTitle, MB_OK | MB_ICONERROR);
}

// The saved place and size, or the layout's size (no larger than the work
// area, which a high density can make it) centred on the work area.
void PlusWindow::Place(const PlusSettings& s) {
  RECT r{}, work{};
  GetWindowRect(dialog_, &r);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int width = s.width > 0 ? s.width : std::min(r.right - r.left, work.right - work.left);
  int height = s.height > 0 ? s.height : std::min(r.bottom - r.top, work.bottom - work.top);
  int left = s.left, top = s.top;
  if (!s.placed) {
    left = work.left + (work.right - work.left - width) / 2;
    top = work.top + (work.bottom - work.top - height) / 2;
  }
  SetWindowPos(dialog_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int RunPlusWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
                  const std::filesystem::path& settingsFile) {
  auto window = std::make_unique<PlusWindow>(instance, exchangeFile, settingsFile);
  return window->Run();
}

}  // namespace q527
