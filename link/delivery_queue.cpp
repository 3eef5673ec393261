#include "link/delivery_queue.h"

#include <utility>

namespace devlink {

void DeliveryQueue::setWake(std::function<void()> wake) {
  auto shared = wake ? std::make_shared<const std::function<void()>>(std::move(wake)) : nullptr;
  std::lock_guard lock(mutex_);
  wake_ = std::move(shared);
}

bool DeliveryQueue::pending() const {
  std::lock_guard lock(mutex_);
  return head_ != nullptr;
}

bool DeliveryQueue::insideDelivery() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0;
}

DeliveryQueue::Job* DeliveryQueue::acquireLocked() {
  Job* job = free_;
  if (job) {
    free_ = job->next;
  } else {
    records_.push_back(std::make_unique<Job>());
    job = records_.back().get();
  }
  job->next = nullptr;
  job->error = nullptr;
  job->running = job->done = job->released = job->abandoned = false;
  return job;
}

void DeliveryQueue::recycleLocked(Job* job) {
  job->error = nullptr;
  job->next = free_;
  free_ = job;
}

DeliveryQueue::Job* DeliveryQueue::popLocked() {
  Job* job = head_;
  if (job) {
    head_ = job->next;
    if (!head_) tail_ = nullptr;
    job->next = nullptr;
    job->running = true;
    ++depth_;
  }
  return job;
}

// `job` was taken off the waiting list by popLocked.
void DeliveryQueue::run(Job* job) {
  std::exception_ptr error;
  try {
    job->fn();
  } catch (...) {
    error = std::current_exception();
  }
  // Only this thread touches the callable once the job was taken; its captures go now, not
  // when the record is reused.
  job->fn = nullptr;
  {
    std::lock_guard lock(mutex_);
    --depth_;
    job->error = error;
    job->running = false;
    job->done = true;
    if (job->abandoned) recycleLocked(job);
  }
  // Woken after the lock is let go: a producer woken under it would at once block on the
  // mutex again, one more pair of context switches for every delivery. The queue outlives
  // its producer, so the condition variable is still there for this call.
  changed_.notify_all();
}

void DeliveryQueue::drain() {
  for (;;) {
    Job* job;
    {
      std::lock_guard lock(mutex_);
      job = popLocked();
    }
    if (!job) return;
    run(job);
  }
}

DeliveryQueue::Outcome DeliveryQueue::runOnMain(std::function<void()> fn) {
  std::shared_ptr<const std::function<void()>> wake;
  Job* job;
  {
    std::lock_guard lock(mutex_);
    job = acquireLocked();
    job->fn = std::move(fn);
    if (tail_) {
      tail_->next = job;
    } else {
      head_ = job;
    }
    tail_ = job;
    awaited_ = job;
    wake = wake_;
  }
  changed_.notify_all();  // a Close waiting in drainUntilProducerFinished runs it
  if (wake) {
    try {
      (*wake)();
    } catch (...) {
      // A failing wake leaves the job for the next drain (Close drains too).
    }
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return job->done || job->released; });
  awaited_ = nullptr;
  Outcome out;
  out.released = !job->done;
  out.error = job->error;
  job->abandoned = true;
  if (job->done) recycleLocked(job);  // else the main thread frees it when the job ends
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
    if (Job* job = popLocked()) {
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
