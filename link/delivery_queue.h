// Hands work from the serial port's event thread to the main (GUI) thread and keeps the event
// thread waiting until the main thread has run it. Toolkit-free: a GUI sets a wake callback
// that arranges for drain() to run on its thread; tests call drain() themselves.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace devlink {

class DeliveryQueue {
 public:
  struct Outcome {
    std::exception_ptr error;  // what escaped the job, carried back to the event thread
    bool released = false;     // the main thread let the producer go before the job ended
  };

  DeliveryQueue() = default;
  DeliveryQueue(const DeliveryQueue&) = delete;
  DeliveryQueue& operator=(const DeliveryQueue&) = delete;

  // Called on the event thread after each job is queued. The Qt build writes to an eventfd
  // that the GUI thread watches; the callback must not block and must not run jobs itself.
  void setWake(std::function<void()> wake);

  // Main thread: runs the jobs waiting now, one at a time, in order. Re-entrant: a job that
  // spins a nested event loop may drain again.
  void drain();

  // Whether a job waits to be run.
  bool pending() const;

  // Whether the main thread is inside a job of this queue right now.
  bool insideDelivery() const;

  // Event thread: queues `job`, wakes the main thread and blocks until the job has run (or
  // the main thread released the producer, see drainUntilProducerFinished). Allocates
  // nothing once the queue has served a first job, as long as `job` fits std::function's
  // own storage (two pointers' worth of trivially copyable captures).
  Outcome runOnMain(std::function<void()> job);

  // Bracket the life of the producing event thread.
  void producerStarted();
  void producerFinished();

  // Main thread, while stopping the event thread: runs the jobs it hands over until it has
  // called producerFinished(). Called from inside one of this queue's jobs, it releases the
  // producer from waiting for that job, which could otherwise never end.
  void drainUntilProducerFinished();

 private:
  // A job record; records are kept and reused, so a steady stream of deliveries makes no
  // allocation. A record is free again once it has run and its producer stopped waiting.
  struct Job {
    std::function<void()> fn;
    std::exception_ptr error;
    Job* next = nullptr;  // in the waiting list or the free list
    bool running = false;
    bool done = false;
    bool released = false;   // the producer was let go before the job ended
    bool abandoned = false;  // the producer no longer waits for it
  };

  Job* acquireLocked();
  void recycleLocked(Job* job);
  Job* popLocked();
  void run(Job* job);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Job* head_ = nullptr;  // jobs waiting to be run, oldest first
  Job* tail_ = nullptr;
  Job* free_ = nullptr;
  std::vector<std::unique_ptr<Job>> records_;
  Job* awaited_ = nullptr;  // the job the producer is blocked on
  // Shared so that the producer can call it outside the lock without copying the callable.
  std::shared_ptr<const std::function<void()>> wake_;
  int depth_ = 0;  // jobs of this queue running on the main thread
  bool producerFinished_ = true;
};

}  // namespace devlink
