// The preview's thread: it plans and draws the newest choices and view,
// drops what newer input made outdated, and ends when told.
#include "dialog/plus/preview_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "bench/workload.h"
#include "support/allocation_seam.h"
#include "support/conversion_store.h"
#include "support/test_files.h"

namespace q527 {

namespace {

// Counts the worker's calls and lets the test wait for a result.
struct Signal {
  std::mutex m;
  std::condition_variable cv;
  int calls = 0;
  void Ready() {
    std::lock_guard<std::mutex> lock(m);
    ++calls;
    cv.notify_all();
  }
  // Waits until `done` holds, or ten seconds.
  template <typename Done>
  bool WaitFor(Done done) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, std::chrono::seconds(10), [&] { return done(); });
  }
};

ConversionRequest Deviation(double d) {
  ConversionRequest r;
  r.policy.planned = true;
  r.policy.maxDeviation = d;
  return r;
}

TEST(PreviewWorkerTest, PlansAndDrawsTheNewestChoicesAndView) {
  ReadJob job(GenerateConversion(7, 3000, 3000, 500));
  Signal signal;
  PreviewWorker worker(job.s, [&] { signal.Ready(); });
  PictureFrame frame;
  frame.scale = 0.1L;
  worker.Draw(frame, 64, 48);
  const std::uint64_t first = worker.Plan(Deviation(0.01));
  const std::uint64_t last = worker.Plan(Deviation(2));
  EXPECT_GT(last, first);
  ASSERT_TRUE(signal.WaitFor([&] {
    auto p = worker.LatestPicture();
    return p && p->choices == last;
  }));
  const auto picture = worker.LatestPicture();
  EXPECT_EQ(picture->canvas.width, 64);
  EXPECT_EQ(picture->canvas.height, 48);
  const auto plan = worker.PlanOf(last);
  ASSERT_NE(plan, nullptr);
  EXPECT_EQ(plan->request.policy.maxDeviation, 2);
  EXPECT_EQ(plan->summary.polygons, 6500);
  EXPECT_EQ(worker.PlanOf(first), nullptr);

  // A new view redraws with the same plan.
  frame.scale = 0.2L;
  worker.Draw(frame, 32, 32);
  ASSERT_TRUE(signal.WaitFor([&] { return worker.LatestPicture()->canvas.width == 32; }));
  EXPECT_EQ(worker.LatestPicture()->frame.scale, 0.2L);
  EXPECT_EQ(worker.PlanOf(last), plan);

  worker.Stop();
  const int calls = signal.calls;
  worker.Plan(Deviation(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(signal.calls, calls);
}

// Memory running out on the preview's thread ends no program: the plan
// stands as one that could not be made, and the next choices plan again.
TEST(PreviewWorkerTest, APlanThatRunsOutOfMemoryIsSaidAndTheNextIsMade) {
  ReadJob job(GenerateConversion(2, 500, 0, 0));
  Signal signal;
  PreviewWorker worker(job.s, [&] { signal.Ready(); });
  AllocationSeamArm(1);  // the plan's first allocation, on the worker's thread
  const std::uint64_t failing = worker.Plan(Deviation(0.1));
  ASSERT_TRUE(signal.WaitFor([&] { return worker.PlanOf(failing) != nullptr; }));
  AllocationSeamArm(0);
  EXPECT_FALSE(worker.PlanOf(failing)->complete);
  const std::uint64_t next = worker.Plan(Deviation(0.1));
  ASSERT_TRUE(signal.WaitFor([&] { return worker.PlanOf(next) != nullptr; }));
  EXPECT_TRUE(worker.PlanOf(next)->complete);
  EXPECT_EQ(worker.PlanOf(next)->summary.polygons, 500);
}

// The way back: going to the conversion and back with the same values
// takes the restore already made, and a change of them restores anew.
TEST(PreviewWorkerTest, TheWayBackKeepsItsNewestRestore) {
  ReadJob job(ReadFileBytes(std::filesystem::path(Q527_SOURCE_DIR) / "samples/SEGMENTS.TXT"));
  Signal signal;
  PreviewWorker worker(job.s, [&] { signal.Ready(); });
  ConversionRequest restore;
  restore.mode = RunMode::kRestore;
  auto planned = [&](std::uint64_t n) {
    EXPECT_TRUE(signal.WaitFor([&] { return worker.PlanOf(n) != nullptr; }));
    return worker.PlanOf(n);
  };
  const auto first = planned(worker.Plan(restore));
  ASSERT_NE(first->restored, nullptr);
  EXPECT_GT(first->restored->summary.Figures(), 0);
  EXPECT_EQ(planned(worker.Plan(ConversionRequest{}))->restored, nullptr);
  EXPECT_EQ(planned(worker.Plan(restore))->restored, first->restored);
  restore.restore.minSegments = 20;
  EXPECT_NE(planned(worker.Plan(restore))->restored, first->restored);
}

TEST(PreviewWorkerTest, NothingIsDrawnBeforeThePaneHasASize) {
  ReadJob job("ci 0 0 1\r\n");
  Signal signal;
  PreviewWorker worker(job.s, [&] { signal.Ready(); });
  const std::uint64_t n = worker.Plan(ConversionRequest{});
  ASSERT_TRUE(signal.WaitFor([&] { return worker.PlanOf(n) != nullptr; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(worker.LatestPicture(), nullptr);
}

}  // namespace

}  // namespace q527
