// Results come back in the order the jobs were given, whatever order the
// threads finish them in; a job's exception comes back with its result; the
// work can be let go with jobs still waiting; jobs are made whether the
// threads look out for them or sleep; and threads that cannot be started
// leave nothing running.
#include "common/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/fpu_precision.h"
#include "support/allocation_seam.h"

namespace q527 {

namespace {

// Later jobs finish first: job k sleeps less the larger k is.
TEST(OrderedWork, ResultsComeInTheOrderGiven) {
  for (const std::size_t threads : {1u, 3u, 8u}) {
    OrderedWork<int> work(threads);
    for (int k = 0; k < 40; ++k) {
      work.Give([k](std::size_t worker) {
        EXPECT_LT(worker, 8u);
        std::this_thread::sleep_for(std::chrono::microseconds((40 - k) * 50));
        return k * k;
      });
    }
    EXPECT_EQ(work.Waiting(), 40u);
    for (int k = 0; k < 40; ++k) EXPECT_EQ(work.TakeNext(), k * k);
    EXPECT_EQ(work.Waiting(), 0u);
  }
}

TEST(OrderedWork, AJobsExceptionComesWithItsResult) {
  OrderedWork<int> work(2);
  work.Give([](std::size_t) { return 1; });
  work.Give([](std::size_t) -> int { throw std::runtime_error("job 2"); });
  work.Give([](std::size_t) { return 3; });
  EXPECT_EQ(work.TakeNext(), 1);
  EXPECT_THROW(work.TakeNext(), std::runtime_error);
  EXPECT_EQ(work.TakeNext(), 3);
}

TEST(OrderedWork, LetGoWithJobsWaiting) {
  std::atomic<int> ran{0};
  {
    OrderedWork<int> work(2);
    for (int k = 0; k < 100; ++k) {
      work.Give([&ran](std::size_t) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return ++ran;
      });
    }
    work.TakeNext();
  }
  EXPECT_GE(ran.load(), 1);
  EXPECT_LE(ran.load(), 100);
}

// Every job runs with the x87 rounding of the thread that made the work,
// whatever its thread was left with (each job here leaves it changed).
TEST(OrderedWork, JobsRoundAsTheirMakerRounds) {
  const std::uint16_t saved = ReadX87ControlWord();
  const auto precision53 = static_cast<std::uint16_t>(
      (saved & ~(kX87PrecisionMask | kX87RoundingMask)) | kX87Precision53);
  WriteX87ControlWord(precision53);
  std::vector<std::uint16_t> seen;
  {
    OrderedWork<std::uint16_t> work(3);
    for (int k = 0; k < 12; ++k) {
      work.Give([saved](std::size_t) {
        const std::uint16_t word = ReadX87ControlWord();
        WriteX87ControlWord(saved);
        return word;
      });
    }
    for (int k = 0; k < 12; ++k) seen.push_back(work.TakeNext());
  }
  WriteX87ControlWord(saved);
  for (const std::uint16_t word : seen) EXPECT_EQ(word, precision53);
}

// A job given while the threads still look out for work, and one given
// after they went to sleep, are both made: none is left waiting for a wake
// that never comes.
TEST(OrderedWork, JobsAreMadeWhetherTheThreadsLookOrSleep) {
  OrderedWork<int> work(3);
  for (const auto pause : {std::chrono::microseconds(0), std::chrono::microseconds(50),
                           std::chrono::microseconds(3000)}) {
    for (int k = 0; k < 40; ++k) {
      std::this_thread::sleep_for(pause);
      work.Give([k](std::size_t) { return k; });
      if (k % 3 == 2) {
        for (int j = k - 2; j <= k; ++j) EXPECT_EQ(work.TakeNext(), j);
      }
    }
    work.Give([](std::size_t) { return -1; });
    EXPECT_EQ(work.TakeNext(), 39);
    EXPECT_EQ(work.TakeNext(), -1);
  }
}

// Memory running out while the threads are started: the ones started are
// stopped and the failure reaches the caller (a running thread left behind
// would end the program).
TEST(OrderedWork, AThreadThatCannotStartStopsTheOthers) {
  int failures = 0;
  for (long long k = 1; k <= 8; ++k) {
    AllocationSeamArm(k);
    try {
      OrderedWork<int> work(4);
      AllocationSeamArm(0);
      work.Give([](std::size_t) { return 7; });
      EXPECT_EQ(work.TakeNext(), 7);
    } catch (const std::bad_alloc&) {
      ++failures;
    }
    AllocationSeamArm(0);
  }
  EXPECT_GE(failures, 3);  // the list of threads and the first threads' states
}

}  // namespace

}  // namespace q527
