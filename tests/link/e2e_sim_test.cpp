// The real port on a pseudo-terminal against the simulated instrument: frames arrive
// through the event thread, are cut and decoded, and a command reaches the instrument.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "link/com_port.h"
#include "link/commands.h"
#include "link/frame_receiver.h"
#include "measurement/processor.h"
#include "tests/support/sim_process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readAll(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the port's deliveries on this (the "main") thread until `done` or the deadline.
template <class Pred>
bool pumpUntil(devlink::TComPort& port, Pred done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    port.Deliveries().drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(EndToEnd, FramesFromTheSimulatorAreDecodedAndCommandsReachIt) {
  const fs::path dir = fs::temp_directory_path() / ("halvex-e2e-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path link = dir / "ttyLT";
  const fs::path log = dir / "sim.log";
  testutil::SimulatorProcess sim(link, log, {"--gen", "const", "--value", "1234", "--rate", "50"});
  ASSERT_TRUE(fs::exists(link));

  devlink::TComPort port;
  devlink::FrameReceiver receiver([&port](std::uint8_t* buf, int n) { return port.Read(buf, n); });
  measurement::MeasurementProcessor processor;
  measurement::ProcessorInputs inputs;
  measurement::DisplayUpdate update;
  int frames = 0;
  std::string reading, axis;
  receiver.onMeasurementFrame = [&](const std::uint8_t* frame) {
    processor.processFrame(frame, inputs, update);
    ++frames;
    if (update.SWynik.changed) reading = std::string(update.SWynik.view());
    if (update.SOS.changed) axis = std::string(update.SOS.view());
  };
  port.OnRxChar = [&](devlink::TCustomComPort&, int count) { receiver.ComPort1RxChar(count); };
  port.SetPort(link.string());
  port.Open();
  ASSERT_TRUE(port.Connected());

  ASSERT_TRUE(pumpUntil(
      port, [&] { return frames >= 5; }, std::chrono::seconds(5)));
  EXPECT_EQ(reading, "  1.234  mT");
  EXPECT_EQ(axis, "X");

  std::vector<std::string> shown;
  devlink::CommandSender sender([&port](const std::uint8_t* b, int n) { return port.Write(b, n); },
                                [&shown](const std::string& m) { shown.push_back(m); });
  ASSERT_TRUE(sender.SendCommand('A', 3, 0));  // axis: vector
  ASSERT_TRUE(pumpUntil(
      port, [&] { return axis == "Wektor"; }, std::chrono::seconds(5)));
  EXPECT_TRUE(shown.empty());

  port.Close();
  EXPECT_EQ(sim.stop(), 0);
  EXPECT_NE(readAll(log).find("rx AA 55 41 03 00 00"), std::string::npos) << readAll(log);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the simulator removes its link";
  fs::remove_all(dir);
}

}  // namespace
