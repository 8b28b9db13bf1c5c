// The pane's procedure only routes messages to named handlers; the view's
// arithmetic is PaneView's, tested natively.
#include "pane_window.h"

#include <windowsx.h>

#include <cmath>

#include "dialog/plus/preview_picture.h"

namespace q527 {

namespace {

constexpr wchar_t kPaneClass[] = L"q527PlusPane";

// The picture as a top-down 32-bit device-independent bitmap.
BITMAPINFO BitmapInfoOf(const Canvas& canvas) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = canvas.width;
  bi.bmiHeader.biHeight = -canvas.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

// A pixel edge rounded to the nearest whole pixel, kept within what GDI takes.
int EdgeOf(long double v) {
  if (!(v > -1e8L)) return -100000000;
  if (!(v < 1e8L)) return 100000000;
  return static_cast<int>(std::lround(static_cast<double>(v)));
}

}  // namespace

bool PaneWindow::Create(HINSTANCE instance, HWND parent, int id, Host& host) {
  host_ = &host;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kPaneClass;
  RegisterClassExW(&wc);  // already there on a second window: fine
  window_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, kPaneClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  return window_ != nullptr;
}

LRESULT CALLBACK PaneWindow::Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    static_cast<PaneWindow*>(cs->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<PaneWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->HandleMessage(msg, wp, lp) : DefWindowProcW(window, msg, wp, lp);
}

LRESULT PaneWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_SIZE: OnSize(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_LBUTTONDOWN: OnButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: OnButtonUp(); return 0;
    case WM_LBUTTONDBLCLK: Fit(); return 0;
    case WM_MOUSEWHEEL:
      Wheel(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, GET_WHEEL_DELTA_WPARAM(wp));
      return 0;
    default: return DefWindowProcW(window_, msg, wp, lp);
  }
}

// Painted off the screen first: the white ground and the picture where its
// drawing lies now, then shown in one step, so nothing flickers.
void PaneWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  RECT client{};
  GetClientRect(window_, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const std::shared_ptr<const PreviewPicture> picture = host_->Picture();
  if (picture && picture->canvas.width > 0 && picture->canvas.height > 0) {
    const Canvas& c = picture->canvas;
    const PixelRect r = PictureRectIn(picture->frame, c.width, c.height, view_.frame);
    const BITMAPINFO bi = BitmapInfoOf(c);
    SetStretchBltMode(memory, COLORONCOLOR);
    StretchDIBits(memory, EdgeOf(r.left), EdgeOf(r.top), EdgeOf(r.right) - EdgeOf(r.left),
                  EdgeOf(r.bottom) - EdgeOf(r.top), 0, 0, c.width, c.height, c.pixels.data(), &bi,
                  DIB_RGB_COLORS, SRCCOPY);
  }
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window_, &ps);
}

void PaneWindow::OnSize(int width, int height) {
  if (width <= 0 || height <= 0) return;  // minimised: the view stays
  if (view_.width <= 0) {
    view_ = FitView(host_->DrawingBox(), width, height, margin_);
  } else {
    ResizeView(view_, host_->DrawingBox(), width, height, margin_);
  }
  Changed();
}

void PaneWindow::Fit() {
  RECT client{};
  GetClientRect(window_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  view_ = FitView(host_->DrawingBox(), client.right, client.bottom, margin_);
  Changed();
}

void PaneWindow::Wheel(POINT screen, int delta) {
  ScreenToClient(window_, &screen);
  // High-resolution wheels send parts of a notch: they add up.
  wheelRest_ += delta;
  const int notches = wheelRest_ / WHEEL_DELTA;
  wheelRest_ -= notches * WHEEL_DELTA;
  if (notches == 0) return;
  ZoomView(view_, host_->DrawingBox(), margin_, screen.x, screen.y, notches);
  Changed();
}

void PaneWindow::OnButtonDown(int x, int y) {
  SetCapture(window_);
  dragging_ = true;
  last_ = POINT{x, y};
}

void PaneWindow::OnMouseMove(int x, int y) {
  if (!dragging_) return;
  PanView(view_, x - last_.x, y - last_.y);
  last_ = POINT{x, y};
  Changed();
}

void PaneWindow::OnButtonUp() {
  if (!dragging_) return;
  dragging_ = false;
  if (GetCapture() == window_) ReleaseCapture();
}

// The picture in hand is shown in the new view at once; the newer one
// follows when it is drawn.
void PaneWindow::Changed() {
  host_->ViewChanged(view_);
  InvalidateRect(window_, nullptr, FALSE);
}

}  // namespace q527
