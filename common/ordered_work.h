// Jobs run on a few threads, their results taken in the order the jobs were
// given: the shape of work that is cut into pieces to be made side by side
// and used one after the other, such as the lines of a file.
//
// The caller bounds the memory: it gives a new job only after taking a
// result, so no more than its own window of results ever waits.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "common/fpu_precision.h"

namespace q527 {

template <typename Result>
class OrderedWork {
 public:
  // A job gets the number of the thread that runs it (0..threads-1), so it
  // can keep state of its own per thread.
  using Job = std::function<Result(std::size_t worker)>;

  // A thread that cannot be started (no memory, no thread left) throws here,
  // after the ones started are stopped. Every job runs with the x87 control
  // word of the thread that made the work, so that long doubles round on
  // every thread as they do there.
  explicit OrderedWork(std::size_t threads) : control_(ReadX87ControlWord()) {
    if (threads == 0) threads = 1;
    try {
      workers_.reserve(threads);
      for (std::size_t t = 0; t < threads; ++t) workers_.emplace_back([this, t] { Work(t); });
    } catch (...) {
      Stop();
      throw;
    }
  }
  // Waits for the jobs running; those not started are dropped.
  ~OrderedWork() { Stop(); }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  void Give(Job job) {
    bool wake = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slots_.push_back(Slot{std::move(job), std::nullopt, nullptr, false});
      given_.fetch_add(1, std::memory_order_release);
      wake = sleeping_ > 0;
    }
    // A thread that is looking out for work takes it without being woken.
    if (wake) ready_.notify_one();
  }

  // Jobs given and not yet taken.
  std::size_t Waiting() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return slots_.size();
  }

  // The result of the oldest job not taken, once it is done; what the job
  // threw is thrown here. Only with a job waiting.
  Result TakeNext() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return slots_.front().done; });
    Slot slot = std::move(slots_.front());
    slots_.pop_front();
    ++taken_;
    lock.unlock();
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(*slot.result);
  }

 private:
  struct Slot {
    Job job;
    std::optional<Result> result;
    std::exception_ptr error;
    bool done;
  };

  void Stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  bool HasWork() const { return stopping_ || started_ < taken_ + slots_.size(); }

  // Waits for a job or the stop. Waking a sleeping thread costs the giver
  // tens of microseconds on a virtual machine, several times a small job's
  // gap, so a thread first looks out for the next job for a while, giving
  // way to the other threads between looks, and only then sleeps.
  void WaitForWork(std::unique_lock<std::mutex>& lock) {
    if (HasWork()) return;
    const std::size_t seen = given_.load(std::memory_order_acquire);
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + kLookOut;
    while (given_.load(std::memory_order_acquire) == seen &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::yield();
    }
    lock.lock();
    ++sleeping_;
    ready_.wait(lock, [this] { return HasWork(); });
    --sleeping_;
  }

  void Work(std::size_t worker) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      WaitForWork(lock);
      if (stopping_) return;
      // Slots are numbered from the first job given; the front one is
      // number taken_, and a slot leaves only once done.
      const std::size_t number = started_++;
      Job job = std::move(slots_[number - taken_].job);
      lock.unlock();
      std::optional<Result> result;
      std::exception_ptr error;
      try {
        if (ReadX87ControlWord() != control_) WriteX87ControlWord(control_);
        result.emplace(job(worker));
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      Slot& slot = slots_[number - taken_];
      slot.result = std::move(result);
      slot.error = error;
      slot.done = true;
      done_.notify_all();
    }
  }

  const std::uint16_t control_;
  mutable std::mutex mutex_;
  std::condition_variable ready_, done_;
  std::deque<Slot> slots_;
  std::size_t taken_ = 0;    // results taken: the number of the front slot
  std::size_t started_ = 0;  // jobs started: the number of the next to start
  bool stopping_ = false;
  std::size_t sleeping_ = 0;             // threads waiting on ready_
  std::atomic<std::size_t> given_{0};    // jobs given: what a looking thread watches
  static constexpr std::chrono::microseconds kLookOut{200};
  std::vector<std::thread> workers_;
};

}  // namespace q527
