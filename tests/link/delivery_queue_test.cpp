// The hand-over between a producing thread and the thread that drains.
#include "link/delivery_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/alloc_count.h"

namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& f) {
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (!f()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(DeliveryQueue, RunsJobsOnTheDrainingThreadAndCarriesExceptionsBack) {
  devlink::DeliveryQueue q;
  std::atomic<int> wakes{0};
  q.setWake([&] { ++wakes; });
  const auto mainId = std::this_thread::get_id();
  std::thread::id ranOn;
  std::vector<int> order;
  std::atomic<bool> producerDone{false};
  std::exception_ptr carried;
  bool firstReleased = true;

  q.producerStarted();
  std::thread producer([&] {
    auto r1 = q.runOnMain([&] {
      ranOn = std::this_thread::get_id();
      order.push_back(1);
    });
    firstReleased = r1.released;
    // The producer blocks until the job ran: this runs strictly after job 1.
    auto r2 = q.runOnMain([&] {
      order.push_back(2);
      throw std::runtime_error("from a handler");
    });
    carried = r2.error;
    producerDone = true;
    q.producerFinished();
  });
  ASSERT_TRUE(waitFor([&] { return q.pending(); }));
  EXPECT_EQ(wakes, 1);
  EXPECT_TRUE(order.empty());  // nothing runs until the main thread drains
  // Drain until the producer is through; the second job's exception must not escape.
  EXPECT_TRUE(waitFor([&] {
    EXPECT_NO_THROW(q.drain());
    return producerDone.load();
  }));
  producer.join();
  EXPECT_EQ(ranOn, mainId);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_FALSE(firstReleased);
  ASSERT_TRUE(carried);
  EXPECT_THROW(std::rethrow_exception(carried), std::runtime_error);
  EXPECT_EQ(wakes, 2);
}

TEST(DeliveryQueue, StoppingDrainsPendingJobsAndReleasesTheRunningOne) {
  devlink::DeliveryQueue q;
  // A job pending when the stop begins still runs.
  std::atomic<bool> stop{false};
  int ran = 0;
  q.producerStarted();
  std::thread producer([&] {
    while (!stop) q.runOnMain([&] { ++ran; });
    q.producerFinished();
  });
  ASSERT_TRUE(waitFor([&] { return q.pending(); }));
  stop = true;
  q.drainUntilProducerFinished();
  producer.join();
  EXPECT_GE(ran, 1);
  EXPECT_FALSE(q.pending());

  // A job handed over while the stop is already waiting still wakes it and runs.
  {
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
      const auto deadline = std::chrono::steady_clock::now() + 5s;
      while (!finished && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
      if (!finished) {
        std::fprintf(stderr, "drainUntilProducerFinished missed a job handed over late\n");
        std::abort();
      }
    });
    int late = 0;
    q.producerStarted();
    std::thread producer3([&] {
      std::this_thread::sleep_for(50ms);
      q.runOnMain([&] { ++late; });
      q.producerFinished();
    });
    q.drainUntilProducerFinished();
    finished = true;
    producer3.join();
    watchdog.join();
    EXPECT_EQ(late, 1);
  }

  // Stopping from inside the job the producer waits for releases the producer.
  bool released = false;
  bool innerReturned = false;
  q.producerStarted();
  std::thread producer2([&] {
    auto r = q.runOnMain([&] {
      EXPECT_TRUE(q.insideDelivery());
      q.drainUntilProducerFinished();  // would deadlock without the release
      innerReturned = true;
    });
    released = r.released;
    q.producerFinished();
  });
  ASSERT_TRUE(waitFor([&] { return q.pending(); }));
  q.drain();
  producer2.join();
  EXPECT_TRUE(innerReturned);
  EXPECT_TRUE(released);
  EXPECT_FALSE(q.insideDelivery());
}

TEST(DeliveryQueue, SteadyDeliveriesAllocateNothing) {
  devlink::DeliveryQueue q;
  std::atomic<int> wakes{0};
  q.setWake([&wakes] { wakes.fetch_add(1, std::memory_order_relaxed); });
  constexpr int kWarmUp = 5, kSteady = 300;
  std::atomic<int> ran{0};
  std::atomic<std::uint64_t> before{0};
  q.producerStarted();
  std::thread producer([&] {
    for (int i = 0; i < kWarmUp + kSteady; ++i) {
      if (i == kWarmUp) before = testutil::allocations();
      q.runOnMain([&ran] { ran.fetch_add(1, std::memory_order_relaxed); });
    }
    q.producerFinished();
  });
  q.drainUntilProducerFinished();
  const std::uint64_t after = testutil::allocations();
  producer.join();
  EXPECT_EQ(ran, kWarmUp + kSteady);
  EXPECT_EQ(wakes, kWarmUp + kSteady);
  EXPECT_EQ(after - before, 0u) << "allocations per delivery in the steady state";
}

}  // namespace
