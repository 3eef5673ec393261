// Looking for the instrument: listening on ptys (the simulator, a line sending other bytes, a
// silent one, one held by someone else), which lines count, and naming a port after a find.
#include "tests/support/master_pty.h"
#include "link/instrument_probe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "link/port_description.h"
#include "tests/support/scoped_env.h"
#include "tests/support/sim_process.h"

namespace {
namespace fs = std::filesystem;
using devlink::ProbeOutcome;

std::vector<unsigned char> frame(unsigned char mode = 0, unsigned char unit = 0) {
  std::vector<unsigned char> f(18, 0x11);
  f[0] = 0xAA;
  f[1] = 0x55;
  f[4] = mode;
  f[5] = 0;  // axis
  f[6] = 1;  // range
  f[7] = unit;
  return f;
}

std::vector<unsigned char> join(std::initializer_list<std::vector<unsigned char>> parts) {
  std::vector<unsigned char> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(InstrumentProbe, TwoConsecutiveFramesMakeAnInstrument) {
  const std::vector<unsigned char> junk = {0x01, 0xAA, 0x55, 0x07};
  const std::vector<unsigned char> bad = frame(7);  // no such measuring mode
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    bool instrument;
  };
  const Case cases[] = {
      {"nothing", {}, false},
      {"one frame", frame(), false},
      {"two frames", join({frame(), frame(1, 2)}), true},
      {"two frames after other bytes", join({junk, frame(), frame()}), true},
      {"two frames with bytes between", join({frame(), junk, frame()}), false},
      {"a frame, a malformed one", join({frame(), bad}), false},
      {"a malformed frame, then two", join({bad, frame(), frame()}), true},
      {"one byte short", [] {
         auto b = join({frame(), frame()});
         b.pop_back();
         return b;
       }(), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(devlink::holdsTwoConsecutiveFrames(c.bytes), c.instrument) << c.what;
}

using Pty = testutil::MasterPty;

TEST(InstrumentProbe, ListensToEachLineWithoutWriting) {
  const fs::path dir = fs::temp_directory_path() / ("halvex-probe-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  testutil::SimulatorProcess sim(dir / "lt40", dir / "sim.log", {});
  ASSERT_TRUE(fs::exists(dir / "lt40"));

  Pty garbage, silent, held;
  ASSERT_FALSE(garbage.path.empty());
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    // Sync pairs, a lone frame and bytes that are no frames, again and again.
    const auto bytes = join({{0xAA, 0x55, 0x09, 0x09}, frame(), {0x00, 0xFF, 0xAA}, frame(5)});
    while (!stop) {
      if (::write(garbage.master, bytes.data(), bytes.size()) < 0) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
  });
  const int holder = ::open(held.path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  std::ofstream(dir / "plain") << "not a terminal\n";

  struct Case {
    std::string device;
    ProbeOutcome outcome;
  };
  const std::vector<Case> cases = {
      {(dir / "lt40").string(), ProbeOutcome::Instrument},
      {garbage.path, ProbeOutcome::NoInstrument},
      {silent.path, ProbeOutcome::NoInstrument},
      {held.path, ProbeOutcome::Busy},
      {(dir / "missing").string(), ProbeOutcome::CannotOpen},
      {(dir / "plain").string(), ProbeOutcome::CannotOpen},
  };
  std::vector<std::string> devices;
  for (const Case& c : cases) devices.push_back(c.device);
  const auto started = std::chrono::steady_clock::now();
  const std::vector<devlink::ProbeResult> results = devlink::probeAll(devices);
  const auto took = std::chrono::steady_clock::now() - started;
  stop = true;
  sender.join();
  ::close(holder);

  ASSERT_EQ(results.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(results[i].device, cases[i].device);
    EXPECT_EQ(results[i].outcome, cases[i].outcome) << cases[i].device;
  }
  // All at once: the whole search takes about one listening time, not one per line.
  EXPECT_LT(took, std::chrono::milliseconds(3000));

  // Nothing was written to the lines: the simulator received no byte, the silent pty's
  // other end reads nothing.
  sim.stop();
  std::ifstream log(dir / "sim.log");
  const std::string logged((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(logged.find("line opened"), std::string::npos) << logged;
  EXPECT_EQ(logged.find(": rx"), std::string::npos) << logged;
  EXPECT_EQ(logged.find("dropped"), std::string::npos) << logged;
  ::fcntl(silent.master, F_SETFL, O_NONBLOCK);
  unsigned char b = 0;
  EXPECT_LE(::read(silent.master, &b, 1), 0);
  fs::remove_all(dir);
}

TEST(InstrumentProbe, SerialLinesWithHardwareBehindThem) {
  const fs::path root = fs::temp_directory_path() / ("halvex-lines-" + std::to_string(::getpid()));
  const fs::path sys = root / "sys", dev = root / "dev";
  auto line = [&](const std::string& name, bool hardware, bool node, const char* type = nullptr) {
    const fs::path cls = sys / "class" / "tty" / name;
    fs::create_directories(cls);
    if (hardware) {
      fs::create_directories(sys / "devices" / name);
      fs::create_symlink(sys / "devices" / name, cls / "device");
    }
    if (type) std::ofstream(cls / "type") << type << '\n';
    fs::create_directories(dev);
    if (node) std::ofstream(dev / name) << "";
  };
  line("ttyUSB0", true, true);
  line("ttyACM1", true, true);
  line("ttyS0", true, true, "4");
  line("ttyS1", true, true, "0");  // reserved, no UART
  line("ttyUSB3", true, false);     // no node
  line("tty1", false, true);        // a virtual terminal
  line("ptmx", false, true);
  EXPECT_EQ(devlink::serialDevices(sys.string(), dev.string()),
            (std::vector<std::string>{(dev / "ttyACM1").string(), (dev / "ttyS0").string(),
                                      (dev / "ttyUSB0").string()}));
  fs::remove_all(root);
}

TEST(InstrumentProbe, APortNameIsMadeToLeadToTheFoundLine) {
  const fs::path root = fs::temp_directory_path() / ("halvex-name-" + std::to_string(::getpid()));
  fs::create_directories(root);
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", root.c_str());
  Pty first, second;
  struct Step {
    std::string port;
    std::string device;
    bool ok;
  };
  const Step steps[] = {
      {"COM3", first.path, true},   // the folder does not exist yet
      {"COM3", second.path, true},  // replaces the old link
      {"COM4", first.path, true},
      {"", first.path, false},
      {"../COM1", first.path, false},
  };
  for (const Step& s : steps) {
    std::string error;
    EXPECT_EQ(devlink::linkPortName(s.port, s.device, error), s.ok) << s.port;
    EXPECT_EQ(error.empty(), s.ok) << s.port << ": " << error;
    if (s.ok) {
      EXPECT_EQ(devlink::describePort(s.port), s.device) << s.port;
    }
  }
  EXPECT_EQ(devlink::describePort("COM3"), second.path);
  fs::remove_all(root);
}

}  // namespace
