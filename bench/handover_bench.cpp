// The hand-over of one delivery from the port's event thread to the main thread and back:
// the producer blocks in runOnMain, the main thread waits on the eventfd the wake writes (as
// the Qt build's socket notifier does), drains, and the producer is released.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "link/delivery_queue.h"

static void BM_HandOver(benchmark::State& state) {
  devlink::DeliveryQueue q;
  const int efd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  q.setWake([efd] {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(efd, &one, sizeof one);
  });
  std::atomic<bool> stop{false};
  std::uint64_t ran = 0;
  q.producerStarted();
  std::thread producer([&] {
    while (!stop.load(std::memory_order_relaxed)) q.runOnMain([&ran] { ++ran; });
    q.producerFinished();
  });
  for (auto _ : state) {
    pollfd p{efd, POLLIN, 0};
    ::poll(&p, 1, -1);
    std::uint64_t count;
    [[maybe_unused]] ssize_t r = ::read(efd, &count, sizeof count);
    q.drain();
  }
  stop = true;
  q.drainUntilProducerFinished();
  producer.join();
  ::close(efd);
  // A drain may find the next job already handed over: count deliveries, not iterations.
  state.SetItemsProcessed(static_cast<std::int64_t>(ran));
}
BENCHMARK(BM_HandOver)->UseRealTime();
