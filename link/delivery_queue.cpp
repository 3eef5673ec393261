#include "link/delivery_queue.h"

#include <utility>

namespace devlink {

void DeliveryQueue::setWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

bool DeliveryQueue::pending() const {
  std::lock_guard lock(mutex_);
  return !jobs_.empty();
}

bool DeliveryQueue::insideDelivery() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0;
}

void DeliveryQueue::run(const std::shared_ptr<Job>& job) {
  {
    std::lock_guard lock(mutex_);
    job->running = true;
    ++depth_;
  }
  std::exception_ptr error;
  try {
    job->fn();
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard lock(mutex_);
  --depth_;
  job->error = error;
  job->running = false;
  job->done = true;
  changed_.notify_all();
}

void DeliveryQueue::drain() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::lock_guard lock(mutex_);
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    run(job);
  }
}

DeliveryQueue::Outcome DeliveryQueue::runOnMain(std::function<void()> fn) {
  auto job = std::make_shared<Job>();
  job->fn = std::move(fn);
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    awaited_ = job;
    jobs_.push_back(job);
    wake = wake_;
  }
  changed_.notify_all();  // a Close waiting in drainUntilProducerFinished runs it
  if (wake) {
    try {
      wake();
    } catch (...) {
      // A failing wake leaves the job for the next drain (Close drains too).
    }
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return job->done || job->released; });
  awaited_.reset();
  Outcome out;
  out.released = !job->done;
  out.error = job->error;
  return out;
}

void DeliveryQueue::producerStarted() {
  std::lock_guard lock(mutex_);
  producerFinished_ = false;
}

void DeliveryQueue::producerFinished() {
  std::lock_guard lock(mutex_);
  producerFinished_ = true;
  changed_.notify_all();
}

void DeliveryQueue::drainUntilProducerFinished() {
  std::unique_lock lock(mutex_);
  while (!producerFinished_) {
    if (!jobs_.empty()) {
      auto job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      run(job);
      lock.lock();
      continue;
    }
    // The producer waits for a job that is running further up this very stack: it can only
    // end if it stops waiting for it.
    if (awaited_ && awaited_->running && !awaited_->released) {
      awaited_->released = true;
      changed_.notify_all();
    }
    changed_.wait(lock);
  }
}

}  // namespace devlink
