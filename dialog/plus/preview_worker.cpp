#include "dialog/plus/preview_worker.h"

#include <utility>

namespace q527 {

// What the thread works on next: copies of the newest input.
struct PreviewWorker::Work {
  bool plan = false;
  bool draw = false;
  ConversionRequest request;
  std::uint64_t choices = 0;
  std::shared_ptr<const PreviewPlan> planned;
  std::shared_ptr<const PreviewPlan> lastRestore;
  PictureFrame frame;
  int width = 0, height = 0;
  std::uint64_t view = 0;
};

PreviewWorker::PreviewWorker(const Store& store, std::function<void()> ready)
    : store_(store), ready_(std::move(ready)), thread_([this] { Loop(); }) {}

PreviewWorker::~PreviewWorker() { Stop(); }

std::uint64_t PreviewWorker::Plan(const ConversionRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  request_ = request;
  ++choices_;
  planOutdated_ = true;
  drawOutdated_ = true;
  wake_.notify_one();
  return choices_;
}

void PreviewWorker::Draw(const PictureFrame& frame, int width, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  frame_ = frame;
  width_ = width;
  height_ = height;
  ++view_;
  drawOutdated_ = true;
  wake_.notify_one();
}

void PreviewWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    planOutdated_ = true;
    drawOutdated_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

std::shared_ptr<const PreviewPlan> PreviewWorker::PlanOf(std::uint64_t choices) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return planned_ == choices ? plan_ : nullptr;
}

std::shared_ptr<const PreviewPicture> PreviewWorker::LatestPicture() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return picture_;
}

// Waits until there is a plan or a picture to make, and takes its input;
// false when the thread is to end.
bool PreviewWorker::WaitForWork(Work& work) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto pending = [this] {
    const bool toPlan = choices_ != planned_;
    const bool toDraw = width_ > 0 && height_ > 0 && choices_ != 0 && planned_ == choices_ &&
                        (drawnChoices_ != choices_ || drawnView_ != view_);
    return quit_ || toPlan || toDraw;
  };
  wake_.wait(lock, pending);
  if (quit_) return false;
  work = Work{};
  work.plan = choices_ != planned_;
  work.draw = !work.plan;
  work.request = request_;
  work.choices = choices_;
  work.planned = plan_;
  work.lastRestore = lastRestore_;
  work.frame = frame_;
  work.width = width_;
  work.height = height_;
  work.view = view_;
  // What is taken now is the newest input: a step stops only for later.
  if (work.plan) planOutdated_ = false;
  drawOutdated_ = false;
  return true;
}

void PreviewWorker::Publish(std::uint64_t choices, std::shared_ptr<const PreviewPlan> plan) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A restore runs on through a stop; once stopped, nothing is said.
    if (quit_) return;
    planned_ = choices;
    if (plan && plan->complete && plan->restored) lastRestore_ = plan;
    plan_ = std::move(plan);
  }
  ready_();
}

void PreviewWorker::Publish(std::shared_ptr<const PreviewPicture> picture) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    picture_ = std::move(picture);
  }
  ready_();
}

// A plan finished for outdated choices is published all the same: the
// newer choices are planned next, and a restore may be taken from it.
void PreviewWorker::PlanStep(const Work& work) {
  auto plan = std::make_shared<PreviewPlan>(
      PlanPreview(store_, work.request, planOutdated_, work.lastRestore.get()));
  if (plan->complete) Publish(work.choices, std::shared_ptr<const PreviewPlan>(std::move(plan)));
}

void PreviewWorker::DrawStep(const Work& work) {
  auto picture = std::make_shared<PreviewPicture>();
  picture->canvas.Reset(work.width, work.height, kPaneColour);
  picture->frame = work.frame;
  picture->choices = work.choices;
  if (!DrawPreview(picture->canvas, work.frame, store_, *work.planned, drawOutdated_)) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    drawnChoices_ = work.choices;
    drawnView_ = work.view;
  }
  Publish(std::shared_ptr<const PreviewPicture>(std::move(picture)));
}

// A step that ran out of memory is not tried again for the same input: a
// plan that could not be made stands as one that is incomplete (the status
// line says so), a picture as drawn.
void PreviewWorker::StepFailed(const Work& work) {
  if (work.plan) {
    auto failed = std::make_shared<PreviewPlan>();
    failed->request = work.request;
    Publish(work.choices, std::shared_ptr<const PreviewPlan>(std::move(failed)));
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  drawnChoices_ = work.choices;
  drawnView_ = work.view;
}

void PreviewWorker::Loop() {
  Work work;
  while (WaitForWork(work)) {
    // Nothing may leave the thread: an exception there ends the program.
    try {
      if (work.plan) {
        PlanStep(work);
      } else {
        DrawStep(work);
      }
    } catch (...) {
      try {
        StepFailed(work);
      } catch (...) {
        return;  // not even that: the preview ends, the window goes on
      }
    }
  }
}

}  // namespace q527
