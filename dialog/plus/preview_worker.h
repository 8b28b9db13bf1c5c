// The preview's own thread: it plans what OK will make when the choices
// change and draws the picture when they or the view change, always for
// the newest of them; a step whose input is outdated stops at its next look
// and starts over. The window's thread only hands over choices and views
// and takes finished results, so it never waits for a plan or a picture.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "dialog/plus/preview_picture.h"
#include "dialog/plus/preview_plan.h"
#include "exchange/store.h"
#include "picture/frame.h"

namespace q527 {

// A finished picture and the frame and size it was drawn for.
struct PreviewPicture {
  Canvas canvas;
  PictureFrame frame;
  std::uint64_t choices = 0;  // the choices it shows (PreviewWorker::Plan's number)
};

class PreviewWorker {
 public:
  // `store` must stay unchanged while the worker runs. `ready` is called on
  // the worker's thread each time a plan or a picture is finished.
  PreviewWorker(const Store& store, std::function<void()> ready);
  ~PreviewWorker();
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  // New choices: planned, then drawn. Returns their number, which the
  // results carry.
  std::uint64_t Plan(const ConversionRequest& request);
  // A new view of the pane (width × height pixels): drawn.
  void Draw(const PictureFrame& frame, int width, int height);
  // Ends the thread; no call of `ready` follows. The store is free again.
  void Stop();

  // The finished plan of the choices with that number (null until then).
  std::shared_ptr<const PreviewPlan> PlanOf(std::uint64_t choices) const;
  // The newest finished picture (null before the first).
  std::shared_ptr<const PreviewPicture> LatestPicture() const;

 private:
  struct Work;
  void Loop();
  bool WaitForWork(Work& work);
  void PlanStep(const Work& work);
  void DrawStep(const Work& work);
  void StepFailed(const Work& work);
  void Publish(std::uint64_t choices, std::shared_ptr<const PreviewPlan> plan);
  void Publish(std::shared_ptr<const PreviewPicture> picture);

  const Store& store_;
  std::function<void()> ready_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool quit_ = false;
  ConversionRequest request_;
  std::uint64_t choices_ = 0;
  std::uint64_t planned_ = 0;
  PictureFrame frame_;
  int width_ = 0, height_ = 0;
  std::uint64_t view_ = 0;
  std::uint64_t drawnChoices_ = 0, drawnView_ = 0;
  // Set when newer input makes the running plan or drawing outdated.
  std::atomic<bool> planOutdated_{false};
  std::atomic<bool> drawOutdated_{false};
  std::shared_ptr<const PreviewPlan> plan_;
  // The newest restore: choices that restore alike take its figures.
  std::shared_ptr<const PreviewPlan> lastRestore_;
  std::shared_ptr<const PreviewPicture> picture_;
  std::thread thread_;
};

}  // namespace q527
