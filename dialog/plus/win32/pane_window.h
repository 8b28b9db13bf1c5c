// The picture pane of q527-plus.exe: a child window that shows the newest
// finished picture where its drawing lies in the current view (so it
// follows the pointer at once, before the new picture is drawn) and turns
// the wheel, a drag and a double click into new views.
#pragma once

#include <windows.h>

#include <memory>

#include "dialog/plus/pane_view.h"
#include "dialog/plus/preview_worker.h"

namespace q527 {

class PaneWindow {
 public:
  // What the pane needs of the window around it.
  struct Host {
    virtual std::shared_ptr<const PreviewPicture> Picture() = 0;
    virtual const PictureBox& DrawingBox() = 0;
    virtual void ViewChanged(const PaneView& view) = 0;

   protected:
    ~Host() = default;
  };

  // Registers the class once and creates the pane; false when it cannot.
  bool Create(HINSTANCE instance, HWND parent, int id, Host& host);
  HWND Handle() const { return window_; }
  // The margin round a fitted drawing, in pixels (it follows the density).
  void SetMargin(int pixels) { margin_ = pixels; }
  // A wheel turn anywhere over the pane (screen coordinates), handed on by
  // the window that received it.
  void Wheel(POINT screen, int delta);
  // Fits the drawing again (a double click does the same).
  void Fit();

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void OnSize(int width, int height);
  void OnButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnButtonUp();
  void Changed();

  HWND window_ = nullptr;
  Host* host_ = nullptr;
  PaneView view_;
  int margin_ = 8;
  bool dragging_ = false;
  POINT last_{};
  int wheelRest_ = 0;  // wheel movement short of a whole notch
};

}  // namespace q527
