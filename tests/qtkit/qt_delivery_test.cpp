// The port's hand-over bound to the Qt event loop: jobs of the event thread run on the GUI
// thread when its loop runs, also inside a nested loop, and a late wake is harmless.
#include "qtkit/qt_delivery.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "link/delivery_queue.h"

namespace {

// An event thread of its own: hands `jobs` jobs over, one after the other.
struct Producer {
  devlink::DeliveryQueue& q;
  std::thread t;
  Producer(devlink::DeliveryQueue& queue, int jobs, std::function<void(int)> job) : q(queue) {
    q.producerStarted();
    t = std::thread([this, jobs, job] {
      for (int i = 0; i < jobs; ++i) q.runOnMain([i, &job] { job(i); });
      q.producerFinished();
    });
  }
  ~Producer() {
    q.drainUntilProducerFinished();
    t.join();
  }
};

TEST(QtDelivery, JobsRunOnTheGuiThreadInOrderWhenItsLoopRuns) {
  devlink::DeliveryQueue q;
  QObject context;
  ASSERT_TRUE(qtkit::attachDeliveryQueue(q, &context));
  std::vector<int> order;
  bool allOnGui = true;
  {
    Producer p(q, 50, [&](int i) {
      allOnGui = allOnGui && QThread::currentThread() == context.thread();
      order.push_back(i);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 50; }, 5000));
  }
  EXPECT_TRUE(allOnGui);
  for (int i = 0; i < static_cast<int>(order.size()); ++i) EXPECT_EQ(order[i], i);
}

TEST(QtDelivery, ANestedLoopInsideAJobStillRunsDeliveries) {
  devlink::DeliveryQueue outer, inner;
  QObject context;
  ASSERT_TRUE(qtkit::attachDeliveryQueue(outer, &context));
  ASSERT_TRUE(qtkit::attachDeliveryQueue(inner, &context));
  std::atomic<bool> innerRan{false};
  bool sawInnerFromInside = false;
  bool outerDone = false;
  {
    std::unique_ptr<Producer> second;
    Producer first(outer, 1, [&](int) {
      // As a modal box would: a loop of its own until the other delivery has run.
      second = std::make_unique<Producer>(inner, 1, [&](int) { innerRan = true; });
      sawInnerFromInside = QTest::qWaitFor([&] { return innerRan.load(); }, 3000);
      outerDone = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return outerDone; }, 5000));
    second.reset();
  }
  EXPECT_TRUE(sawInnerFromInside);
}

TEST(QtDelivery, AWakeAfterTheContextIsGoneIsHarmless) {
  devlink::DeliveryQueue q;
  int ran = 0;
  {
    QObject context;
    ASSERT_TRUE(qtkit::attachDeliveryQueue(q, &context));
  }
  {
    Producer p(q, 3, [&](int) { ++ran; });
    QTest::qWait(20);  // nothing watches the descriptor any more
  }                    // stopping the producer runs what it handed over
  EXPECT_EQ(ran, 3);
}

}  // namespace

// The application lives on main's stack: a static one would be destroyed after Qt's own
// statics at exit.
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
