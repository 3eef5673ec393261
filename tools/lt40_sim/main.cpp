// lt40-sim: a simulated LT-40 on a pseudo-terminal, linked as a port name so the
// program (or a test) can open it like the real instrument on a serial line.
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tools/lt40_sim/instrument.h"

namespace {

namespace fs = std::filesystem;
using tools::Bytes;

constexpr const char* kProgram = "lt40-sim";
// Input that stays incomplete this long is dropped, so a cut frame cannot swallow
// the bytes of the next command.
constexpr double kPartialInputTimeout = 0.5;
// How often the line is checked for a program opening it while nobody has it open.
constexpr int kIdlePollMs = 50;
constexpr double kSplitGapSeconds = 0.05;
constexpr double kGarbageProbability = 0.125;
// A schedule more than this far behind (machine suspended, debugger) restarts from now
// instead of sending every missed frame.
constexpr double kMaxLagSeconds = 1.0;
// Bytes of the measurement frame cut by an unplug.
constexpr std::size_t kFrameHalf = 9;

struct Options {
  std::string portName;
  std::string linkPath;
  double rate = 10;
  tools::InstrumentConfig instrument;
  std::string calibrationFile;
  std::string calibrationOut;
  double replyDelayMs = 0;
  bool splitReplies = false;
  bool garbage = false;
  double dropReplies = 0;
  double doubleReplies = 0;
  double lateReplies = 0;
  double lateMs = 2500;
  double strayRate = 0;
  double replugMs = 1000;
  double unplugAfter = -1;
  long faultsAfter = 0;
  int burst = 0;
  double noise = 0;
  bool verbose = false;
  long onceFrames = -1;
  bool silent = false;
};

void printHelp() {
  std::printf(
      "Usage: %s [options]\n"
      "Simulated LT-40 teslameter on a pseudo-terminal. The terminal is linked as a port\n"
      "name in $XDG_CONFIG_HOME/Vantorel/ports (default ~/.config/Vantorel/ports), where\n"
      "the program looks up port names; one line on stdout says where it is linked.\n"
      "SIGINT or SIGTERM ends it and removes the link.\n"
      "\n"
      "Line:\n"
      "  --port NAME          port name to link (default COM1)\n"
      "  --link PATH          link at this path instead of a port name\n"
      "\n"
      "Measurement frames:\n"
      "  --rate HZ            frames per second, fractions allowed (default 10)\n"
      "  --gen KIND           sine|ramp|const|noise|steps (default sine)\n"
      "  --value COUNTS       field level (default 10000)\n"
      "  --amplitude COUNTS   swing of sine, ramp, noise and steps (default 15000)\n"
      "                       counts of the 20 mT range: 1 count = 0.001 mT; X follows\n"
      "                       the generator, Y = -0.5 X, Z = 0.25 X\n"
      "  --period SECONDS     period of sine, ramp and steps (default 10)\n"
      "  --overrange          send readings beyond the range (up to +-32767) instead of\n"
      "                       clamping them to +-19999\n"
      "  --no-temperature     frames carry no temperature (-32768)\n"
      "  --battery-low        light the battery-low bit\n"
      "  --silent             start paused (a \"V\" command resumes)\n"
      "  --once-frames N      send N frames, then stay silent (replies still go out)\n"
      "\n"
      "Memories:\n"
      "  --results N          results held in the results memory (default 25)\n"
      "  --calibration FILE   calibration memory from FILE: raw binary, exactly 256 bytes\n"
      "  --calibration-out FILE  write the calibration memory (256 bytes) to FILE at start\n"
      "                       and after every calibration write or EEPROM store\n"
      "                       (default: plausible values, probe number 12345)\n"
      "\n"
      "Replies and faults:\n"
      "  --reply-delay MS     answer requests after MS milliseconds (default 0)\n"
      "  --split-replies      send each reply in two writes, 50 ms apart\n"
      "  --garbage            glue 1..4 random bytes before some frames and replies\n"
      "  --drop-replies P     leave a request unanswered with probability P (default 0)\n"
      "  --double-replies P   send a reply twice, one write right behind the other, with\n"
      "                       probability P (default 0)\n"
      "  --late-replies P     hold a reply back for --late-ms instead of --reply-delay\n"
      "                       with probability P (default 0)\n"
      "  --late-ms MS         how long a late reply is held back (default 2500: after the\n"
      "                       program has asked again)\n"
      "  --stray-replies HZ   unrequested reply frames (AA 55 and two or three random bytes)\n"
      "                       at random times, HZ per second on average (default 0)\n"
      "  --faults-after N     the first N replies go out whole and without faults; split,\n"
      "                       garbage, dropped, doubled and late replies begin after them\n"
      "                       (default 0)\n"
      "  --burst N            now and then hold N frames and send them in one write\n"
      "  --noise P            random bytes between frames with probability P per frame\n"
      "  --seed N             seed of all random choices (default 1)\n"
      "  --verbose            log every frame received, in hex, to stderr\n"
      "\n"
      "Unplugging (SIGUSR1, or --unplug-after): the simulator sends half a measurement\n"
      "frame, closes its pseudo-terminal (the program sees the line hang up) and removes\n"
      "the link; after --replug-ms it opens a new pseudo-terminal under the same link.\n"
      "  --replug-ms MS       pause between unplugging and replugging (default 1000)\n"
      "  --unplug-after S     unplug once, S seconds after the start\n"
      "  --help               this text\n"
      "\n"
      "Commands followed (0xAA 0x55 letter a b c): M mode (0 DC, 1 50 Hz, 2 AC),\n"
      "P peak hold, R range (0..2 fixed, 4 automatic), A axis (0..2, 3 vector),\n"
      "U unit (0 mT, 1 kA/m, 2 Gs), F filter, B results memory (1 on, 0 off),\n"
      "T automatic switch-off, H zeroing, N display language, X power (toggles),\n"
      "V pause/resume streaming (toggles), Z download header, J result request,\n"
      "D calibration read, C calibration write, S store calibration to EEPROM.\n",
      kProgram);
}

bool parseDouble(const char* text, double& out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parseLong(const char* text, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return false;
  out = v;
  return true;
}

// Returns the exit code to end with, or nothing to run.
std::optional<int> parseOptions(int argc, char** argv, Options& o) {
  enum {
    kPort = 1000,
    kLink,
    kRate,
    kGen,
    kValue,
    kAmplitude,
    kPeriod,
    kOverrange,
    kNoTemp,
    kBattery,
    kSilent,
    kOnce,
    kResults,
    kCalibration,
    kCalibrationOut,
    kReplyDelay,
    kSplit,
    kGarbage,
    kDrop,
    kFaultsAfter,
    kDouble,
    kLate,
    kLateMs,
    kStray,
    kReplugMs,
    kUnplugAfter,
    kBurst,
    kNoise,
    kSeed,
    kVerbose,
    kHelp
  };
  static const option longOptions[] = {
      {"port", required_argument, nullptr, kPort},
      {"link", required_argument, nullptr, kLink},
      {"rate", required_argument, nullptr, kRate},
      {"gen", required_argument, nullptr, kGen},
      {"value", required_argument, nullptr, kValue},
      {"amplitude", required_argument, nullptr, kAmplitude},
      {"period", required_argument, nullptr, kPeriod},
      {"overrange", no_argument, nullptr, kOverrange},
      {"no-temperature", no_argument, nullptr, kNoTemp},
      {"battery-low", no_argument, nullptr, kBattery},
      {"silent", no_argument, nullptr, kSilent},
      {"once-frames", required_argument, nullptr, kOnce},
      {"results", required_argument, nullptr, kResults},
      {"calibration", required_argument, nullptr, kCalibration},
      {"calibration-out", required_argument, nullptr, kCalibrationOut},
      {"reply-delay", required_argument, nullptr, kReplyDelay},
      {"split-replies", no_argument, nullptr, kSplit},
      {"garbage", no_argument, nullptr, kGarbage},
      {"drop-replies", required_argument, nullptr, kDrop},
      {"faults-after", required_argument, nullptr, kFaultsAfter},
      {"double-replies", required_argument, nullptr, kDouble},
      {"late-replies", required_argument, nullptr, kLate},
      {"late-ms", required_argument, nullptr, kLateMs},
      {"stray-replies", required_argument, nullptr, kStray},
      {"replug-ms", required_argument, nullptr, kReplugMs},
      {"unplug-after", required_argument, nullptr, kUnplugAfter},
      {"burst", required_argument, nullptr, kBurst},
      {"noise", required_argument, nullptr, kNoise},
      {"seed", required_argument, nullptr, kSeed},
      {"verbose", no_argument, nullptr, kVerbose},
      {"help", no_argument, nullptr, kHelp},
      {nullptr, 0, nullptr, 0},
  };
  auto bad = [](const char* what, const char* value) {
    std::fprintf(stderr, "%s: invalid %s: %s (see --help)\n", kProgram, what, value);
    return std::optional<int>(2);
  };
  opterr = 0;
  int c;
  while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
    double d = 0;
    long n = 0;
    switch (c) {
      case kPort:
        if (!*optarg || std::strchr(optarg, '/')) return bad("port name", optarg);
        o.portName = optarg;
        break;
      case kLink:
        if (!*optarg) return bad("link path", optarg);
        o.linkPath = optarg;
        break;
      case kRate:
        if (!parseDouble(optarg, d) || d <= 0 || d > 10000) return bad("rate", optarg);
        o.rate = d;
        break;
      case kGen: {
        auto g = tools::parseGenerator(optarg);
        if (!g) return bad("generator", optarg);
        o.instrument.generator = *g;
        break;
      }
      case kValue:
        if (!parseDouble(optarg, d)) return bad("value", optarg);
        o.instrument.value = d;
        break;
      case kAmplitude:
        if (!parseDouble(optarg, d)) return bad("amplitude", optarg);
        o.instrument.amplitude = d;
        break;
      case kPeriod:
        if (!parseDouble(optarg, d) || d <= 0) return bad("period", optarg);
        o.instrument.periodSeconds = d;
        break;
      case kOverrange:
        o.instrument.overrange = true;
        break;
      case kNoTemp:
        o.instrument.temperature = false;
        break;
      case kBattery:
        o.instrument.batteryLow = true;
        break;
      case kSilent:
        o.silent = true;
        break;
      case kOnce:
        if (!parseLong(optarg, n) || n < 0) return bad("frame count", optarg);
        o.onceFrames = n;
        break;
      case kResults:
        if (!parseLong(optarg, n) || n < 0 || n > tools::Instrument::kMaxResults) {
          return bad("result count", optarg);
        }
        o.instrument.results = static_cast<int>(n);
        break;
      case kCalibrationOut:
        o.calibrationOut = optarg;
        break;
      case kCalibration:
        o.calibrationFile = optarg;
        break;
      case kReplyDelay:
        if (!parseDouble(optarg, d) || d < 0) return bad("reply delay", optarg);
        o.replyDelayMs = d;
        break;
      case kSplit:
        o.splitReplies = true;
        break;
      case kGarbage:
        o.garbage = true;
        break;
      case kDrop:
        if (!parseDouble(optarg, d) || d < 0 || d > 1) return bad("probability", optarg);
        o.dropReplies = d;
        break;
      case kDouble:
        if (!parseDouble(optarg, d) || d < 0 || d > 1) return bad("probability", optarg);
        o.doubleReplies = d;
        break;
      case kLate:
        if (!parseDouble(optarg, d) || d < 0 || d > 1) return bad("probability", optarg);
        o.lateReplies = d;
        break;
      case kLateMs:
        if (!parseDouble(optarg, d) || d < 0 || d > 600000) return bad("delay", optarg);
        o.lateMs = d;
        break;
      case kStray:
        if (!parseDouble(optarg, d) || d < 0 || d > 1000) return bad("rate", optarg);
        o.strayRate = d;
        break;
      case kReplugMs:
        if (!parseDouble(optarg, d) || d < 0 || d > 600000) return bad("pause", optarg);
        o.replugMs = d;
        break;
      case kUnplugAfter:
        if (!parseDouble(optarg, d) || d < 0) return bad("time", optarg);
        o.unplugAfter = d;
        break;
      case kFaultsAfter:
        if (!parseLong(optarg, n) || n < 0) return bad("reply count", optarg);
        o.faultsAfter = n;
        break;
      case kBurst:
        if (!parseLong(optarg, n) || n < 0 || n > 1000) return bad("burst size", optarg);
        o.burst = static_cast<int>(n);
        break;
      case kNoise:
        if (!parseDouble(optarg, d) || d < 0 || d > 1) return bad("probability", optarg);
        o.noise = d;
        break;
      case kSeed:
        if (!parseLong(optarg, n)) return bad("seed", optarg);
        o.instrument.seed = static_cast<std::uint32_t>(n);
        break;
      case kVerbose:
        o.verbose = true;
        break;
      case kHelp:
        printHelp();
        return 0;
      default:
        std::fprintf(stderr, "%s: unknown or incomplete option %s (see --help)\n", kProgram,
                     argv[optind - 1]);
        return 2;
    }
  }
  if (optind < argc) return bad("argument", argv[optind]);
  if (!o.portName.empty() && !o.linkPath.empty()) {
    std::fprintf(stderr, "%s: use either --port or --link\n", kProgram);
    return 2;
  }
  if (!o.calibrationFile.empty()) {
    std::ifstream in(o.calibrationFile, std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      std::fprintf(stderr, "%s: cannot read %s\n", kProgram, o.calibrationFile.c_str());
      return 2;
    }
    if (!in.is_open() || data.size() != tools::Instrument::kCalibrationSize) {
      std::fprintf(stderr, "%s: %s must hold exactly 256 bytes\n", kProgram,
                   o.calibrationFile.c_str());
      return 2;
    }
    tools::Instrument::CalibrationMemory memory;
    std::transform(data.begin(), data.end(), memory.begin(),
                   [](char ch) { return static_cast<std::uint8_t>(ch); });
    o.instrument.calibration = memory;
  }
  return std::nullopt;
}

fs::path portFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (xdg && *xdg && fs::path(xdg).is_absolute()) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : "/") / ".config";
  }
  return base / "Vantorel" / "ports";
}

// Self-pipe: the signal handler only writes a byte that the main loop polls for.
int gSignalPipe[2] = {-1, -1};

// What the byte in the pipe asks for.
constexpr char kStopByte = 1;
constexpr char kUnplugByte = 2;

void onSignal(int sig) {
  const int saved = errno;
  const char byte = sig == SIGUSR1 ? kUnplugByte : kStopByte;
  [[maybe_unused]] ssize_t n = write(gSignalPipe[1], &byte, 1);
  errno = saved;
}

// Reads what the signal handler wrote: the stop byte wins over an unplug.
char drainSignals() {
  char asked = 0;
  char buffer[16];
  ssize_t n;
  while ((n = read(gSignalPipe[0], buffer, sizeof buffer)) > 0) {
    for (ssize_t i = 0; i < n; ++i)
      if (asked != kStopByte) asked = buffer[i];
  }
  return asked;
}

void logHex(const char* prefix, std::span<const std::uint8_t> bytes, std::string_view note) {
  std::string text;
  char part[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(part, sizeof part, " %02X", b);
    text += part;
  }
  std::fprintf(stderr, "%s: %s%s%s%.*s\n", kProgram, prefix, text.c_str(), note.empty() ? "" : "  ",
               static_cast<int>(note.size()), note.data());
}

class Simulator {
 public:
  explicit Simulator(Options options)
      : o_(std::move(options)), instrument_(o_.instrument), rng_(o_.instrument.seed ^ 0x5EED) {}

  ~Simulator() {
    removeLink();
    if (master_ >= 0) close(master_);
  }

  int run();

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    double due;
    Bytes bytes;
  };

  bool openPty();
  bool createLink();
  void removeLink();
  double now() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
  bool probeConnected();
  void onConnected();
  void onDisconnected();
  void clearExclusiveMode();
  void readInput(double t);
  void writeCalibrationOut() const;
  void sendFrames(double t);
  void sendDueReplies(double t);
  void queueReply(Bytes reply, double t);
  void sendStrayReply();
  void unplug(double t);
  bool replug();
  bool writeBytes(const Bytes& bytes, bool mustDeliver);
  Bytes garbagePrefix();
  Bytes noiseBytes(int n);
  bool chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

  Options o_;
  tools::Instrument instrument_;
  std::mt19937 rng_;
  int master_ = -1;
  std::string slavePath_;
  fs::path link_;
  bool linkCreated_ = false;
  Clock::time_point start_ = Clock::now();
  bool connected_ = false;
  bool exclusiveWarned_ = false;
  double lastInput_ = 0;
  std::uint64_t frameIndex_ = 0;  // frame k is due at k / rate from start
  long framesSent_ = 0;
  std::vector<Pending> replies_;
  long repliesQueued_ = 0;
  Bytes burstHold_;
  int burstHeld_ = 0;
  long framesUntilBurst_ = 0;
  double nextStray_ = -1;
  bool unplugged_ = false;
  double replugAt_ = 0;
  double nextStrayDelay() {
    return std::exponential_distribution<double>(o_.strayRate)(rng_);
  }
};

bool Simulator::openPty() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    std::fprintf(stderr, "%s: cannot create a pseudo-terminal: %s\n", kProgram,
                 std::strerror(errno));
    return false;
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) {
    std::fprintf(stderr, "%s: ptsname: %s\n", kProgram, std::strerror(errno));
    return false;
  }
  slavePath_ = name;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  // Set the line raw through one open of our own; closing it again leaves the master
  // in hang-up state until the program opens the line, which is how we see it come.
  const int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    std::fprintf(stderr, "%s: cannot open %s: %s\n", kProgram, name, std::strerror(errno));
    return false;
  }
  termios t{};
  if (tcgetattr(slave, &t) == 0) {
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave, TCSANOW, &t);
  }
  close(slave);
  return true;
}

bool Simulator::createLink() {
  std::string name;
  if (!o_.linkPath.empty()) {
    link_ = fs::absolute(o_.linkPath);
    name = link_.filename().string();
  } else {
    name = o_.portName.empty() ? "COM1" : o_.portName;
    link_ = portFolder() / name;
  }
  std::error_code ec;
  fs::create_directories(link_.parent_path(), ec);
  if (ec) {
    std::fprintf(stderr, "%s: cannot create %s: %s\n", kProgram, link_.parent_path().c_str(),
                 ec.message().c_str());
    return false;
  }
  const auto status = fs::symlink_status(link_, ec);
  if (fs::exists(status) && !fs::is_symlink(status)) {
    std::fprintf(stderr, "%s: %s exists and is not a link; not replacing it\n", kProgram,
                 link_.c_str());
    return false;
  }
  // A link left by an earlier run is replaced in one step (new link, then rename).
  const fs::path temporary = link_.string() + ".lt40-sim-" + std::to_string(getpid());
  ::unlink(temporary.c_str());
  if (::symlink(slavePath_.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link_.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot link %s: %s\n", kProgram, link_.c_str(), std::strerror(errno));
    ::unlink(temporary.c_str());
    return false;
  }
  linkCreated_ = true;
  std::printf("%s: %s -> %s (link %s)\n", kProgram, name.c_str(), slavePath_.c_str(),
              link_.c_str());
  std::fflush(stdout);
  return true;
}

void Simulator::removeLink() {
  if (!linkCreated_) return;
  linkCreated_ = false;
  // Only our own link: another simulator may have taken the name over meanwhile.
  char target[512];
  const ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
  if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_) {
    ::unlink(link_.c_str());
  }
}

bool Simulator::probeConnected() {
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return connected_;
  return (p.revents & POLLHUP) == 0;
}

void Simulator::onConnected() {
  connected_ = true;
  // Nothing meant for an earlier session may reach the new one. What the new session has
  // already sent stays: a program that read a frame left over on the line may have sent
  // its first command before the open was seen here.
  tcflush(master_, TCOFLUSH);
  instrument_.discardPartialInput();
  if (o_.verbose) std::fprintf(stderr, "%s: line opened\n", kProgram);
}

void Simulator::onDisconnected() {
  connected_ = false;
  tcflush(master_, TCIOFLUSH);
  replies_.clear();
  burstHold_.clear();
  burstHeld_ = 0;
  instrument_.discardPartialInput();
  clearExclusiveMode();
  if (o_.verbose) std::fprintf(stderr, "%s: line closed\n", kProgram);
}

void Simulator::clearExclusiveMode() {
  // A program that set TIOCEXCL and closed without TIOCNXCL leaves the pseudo-terminal
  // exclusive (its state lives as long as our master), so an ordinary user could not
  // open it again. Clear it through a short open of our own.
  const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave >= 0) {
    ioctl(slave, TIOCNXCL);
    close(slave);
  } else if (errno == EBUSY && !exclusiveWarned_) {
    exclusiveWarned_ = true;
    std::fprintf(stderr,
                 "%s: the line was left in exclusive mode (TIOCEXCL without TIOCNXCL before "
                 "close); only root can open it again\n",
                 kProgram);
  }
}

void Simulator::readInput(double t) {
  std::uint8_t buffer[4096];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) {
      lastInput_ = t;
      const auto before = instrument_.calibration();
      const int storesBefore = instrument_.eepromStores();
      for (Bytes& reply : instrument_.feed(std::span(buffer, static_cast<std::size_t>(n)))) {
        queueReply(std::move(reply), t);
      }
      if (instrument_.calibration() != before || instrument_.eepromStores() != storesBefore)
        writeCalibrationOut();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;  // EAGAIN, or EIO when the line was closed (seen at the next probe)
  }
}

// The memory goes to a temporary file renamed over the target, so a reader never sees
// half of it.
void Simulator::writeCalibrationOut() const {
  if (o_.calibrationOut.empty()) return;
  const std::string temp = o_.calibrationOut + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    const auto& memory = instrument_.calibration();
    out.write(reinterpret_cast<const char*>(memory.data()),
              static_cast<std::streamsize>(memory.size()));
    if (!out) return;
  }
  std::rename(temp.c_str(), o_.calibrationOut.c_str());
}

void Simulator::queueReply(Bytes reply, double t) {
  // A transfer can get under way before the faults set in (a header, then its results).
  const bool faults = repliesQueued_++ >= o_.faultsAfter;
  if (faults && chance(o_.dropReplies)) {
    if (o_.verbose) logHex("reply dropped:", reply, "");
    return;
  }
  Bytes bytes = faults && o_.garbage ? garbagePrefix() : Bytes{};
  bytes.insert(bytes.end(), reply.begin(), reply.end());
  const bool late = faults && chance(o_.lateReplies);
  const double due = t + (late ? o_.lateMs : o_.replyDelayMs) / 1000.0;
  if (late && o_.verbose) logHex("reply held back:", reply, "");
  if (faults && chance(o_.doubleReplies)) {
    if (o_.verbose) logHex("reply doubled:", reply, "");
    replies_.push_back({due, bytes});
  }
  if (faults && o_.splitReplies && bytes.size() > 1) {
    const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
    replies_.push_back({due, Bytes(bytes.begin(), bytes.begin() + half)});
    replies_.push_back({due + kSplitGapSeconds, Bytes(bytes.begin() + half, bytes.end())});
  } else {
    replies_.push_back({due, std::move(bytes)});
  }
}

void Simulator::sendDueReplies(double t) {
  // Kept in order of queueing; a late reply lets the ones behind it pass.
  std::vector<Pending> waiting;
  for (Pending& p : replies_) {
    if (p.due <= t) {
      if (o_.verbose) logHex("tx", p.bytes, "");
      writeBytes(p.bytes, true);
    } else {
      waiting.push_back(std::move(p));
    }
  }
  replies_ = std::move(waiting);
}

void Simulator::sendStrayReply() {
  // A reply frame nobody asked for: a result's or a readback's length.
  const int payload = std::uniform_int_distribution<int>(2, 3)(rng_);
  Bytes bytes = {0xAA, 0x55};
  for (int k = 0; k < payload; ++k)
    bytes.push_back(static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng_)));
  if (o_.verbose) logHex("stray reply:", bytes, "");
  writeBytes(bytes, true);
}

// Half a measurement frame, then the line goes away as a pulled cable takes it.
void Simulator::unplug(double t) {
  if (unplugged_) return;
  if (connected_) {
    const auto frame = instrument_.nextMeasurementFrame(t);
    writeBytes(Bytes(frame.begin(), frame.begin() + kFrameHalf), true);
    // Let the program read the half frame before the hang-up reaches it.
    tcdrain(master_);
    usleep(50000);
  }
  removeLink();
  close(master_);
  master_ = -1;
  connected_ = false;
  replies_.clear();
  burstHold_.clear();
  burstHeld_ = 0;
  instrument_.discardPartialInput();
  unplugged_ = true;
  replugAt_ = t + o_.replugMs / 1000.0;
  std::fprintf(stderr, "%s: unplugged\n", kProgram);
}

bool Simulator::replug() {
  unplugged_ = false;
  if (!openPty() || !createLink()) return false;
  std::fprintf(stderr, "%s: plugged in again\n", kProgram);
  return true;
}

bool Simulator::writeBytes(const Bytes& bytes, bool mustDeliver) {
  std::size_t done = 0;
  int attempts = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // The program is not reading and the line's buffer is full: a measurement frame
    // is simply lost, as on a real line; a reply (or the rest of a started write)
    // gets a short wait.
    if (n < 0 && errno == EAGAIN && (mustDeliver || done > 0) && attempts++ < 5) {
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 40);
      continue;
    }
    return false;
  }
  return true;
}

Bytes Simulator::noiseBytes(int n) {
  // Never 0xAA: a random sync pair would make a false frame that no receiver can tell
  // from a real one, which tests nothing.
  Bytes bytes;
  std::uniform_int_distribution<int> value(0, 254);
  for (int k = 0; k < n; ++k) {
    const int v = value(rng_);
    bytes.push_back(static_cast<std::uint8_t>(v >= 0xAA ? v + 1 : v));
  }
  return bytes;
}

Bytes Simulator::garbagePrefix() {
  if (!chance(kGarbageProbability)) return {};
  return noiseBytes(std::uniform_int_distribution<int>(1, 4)(rng_));
}

void Simulator::sendFrames(double t) {
  while (static_cast<double>(frameIndex_) / o_.rate <= t) {
    const double due = static_cast<double>(frameIndex_) / o_.rate;
    if (t - due > kMaxLagSeconds) {
      frameIndex_ = static_cast<std::uint64_t>(std::ceil(t * o_.rate));
      continue;
    }
    ++frameIndex_;
    const bool allowed = o_.onceFrames < 0 || framesSent_ < o_.onceFrames;
    if (!connected_ || !instrument_.streaming() || !allowed) continue;

    if (chance(o_.noise)) {
      writeBytes(noiseBytes(std::uniform_int_distribution<int>(1, 8)(rng_)), false);
    }
    Bytes bytes = o_.garbage ? garbagePrefix() : Bytes{};
    const auto frame = instrument_.nextMeasurementFrame(due);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    ++framesSent_;

    if (o_.burst > 1) {
      if (burstHeld_ > 0 || framesUntilBurst_-- <= 0) {
        // Hold frames back and let them go together, as a busy host would see them.
        burstHold_.insert(burstHold_.end(), bytes.begin(), bytes.end());
        if (++burstHeld_ >= o_.burst) {
          writeBytes(burstHold_, false);
          burstHold_.clear();
          burstHeld_ = 0;
          framesUntilBurst_ = std::uniform_int_distribution<long>(20, 60)(rng_);
        }
        continue;
      }
    }
    writeBytes(bytes, false);
  }
}

int Simulator::run() {
  if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror(kProgram);
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGUSR1, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  if (!openPty() || !createLink()) return 1;
  writeCalibrationOut();

  if (o_.silent) instrument_.setPaused(true);
  if (o_.verbose) {
    instrument_.setFrameObserver([](std::span<const std::uint8_t> frame, std::string_view note) {
      logHex("rx", frame, note);
    });
  } else {
    instrument_.setFrameObserver([](std::span<const std::uint8_t>, std::string_view note) {
      if (note.starts_with("S:")) {
        std::fprintf(stderr, "%s: %.*s\n", kProgram, static_cast<int>(note.size()), note.data());
      }
    });
  }
  framesUntilBurst_ = std::uniform_int_distribution<long>(20, 60)(rng_);
  start_ = Clock::now();

  if (o_.strayRate > 0) nextStray_ = nextStrayDelay();
  bool unplugPending = o_.unplugAfter >= 0;
  for (;;) {
    double t = now();
    if (unplugPending && t >= o_.unplugAfter) {
      unplugPending = false;
      unplug(t);
    }
    if (unplugged_) {
      if (t >= replugAt_ && !replug()) return 1;
      if (unplugged_) {
        pollfd p{gSignalPipe[0], POLLIN, 0};
        const int wait = static_cast<int>(std::ceil(std::clamp(replugAt_ - t, 0.0, 1.0) * 1000));
        if (poll(&p, 1, wait) > 0 && drainSignals() == kStopByte) break;
        continue;
      }
    }
    const bool line = probeConnected();
    if (line && !connected_) onConnected();
    if (!line && connected_) onDisconnected();

    if (connected_) readInput(t);
    if (instrument_.pendingInputSize() > 0 && t - lastInput_ > kPartialInputTimeout) {
      if (o_.verbose) {
        std::fprintf(stderr, "%s: dropped %zu bytes of an incomplete frame\n", kProgram,
                     instrument_.pendingInputSize());
      }
      instrument_.discardPartialInput();
    }
    if (connected_) sendDueReplies(t);
    if (nextStray_ >= 0 && t >= nextStray_) {
      if (connected_) sendStrayReply();
      nextStray_ = t + nextStrayDelay();
    }
    sendFrames(t);

    // Sleep until the next frame, reply or input deadline, or a signal.
    t = now();
    double wake = static_cast<double>(frameIndex_) / o_.rate;
    for (const Pending& p : replies_) wake = std::min(wake, p.due);
    if (nextStray_ >= 0) wake = std::min(wake, nextStray_);
    if (unplugPending) wake = std::min(wake, o_.unplugAfter);
    if (instrument_.pendingInputSize() > 0)
      wake = std::min(wake, lastInput_ + kPartialInputTimeout);
    int timeoutMs = static_cast<int>(std::ceil(std::clamp(wake - t, 0.0, 1.0) * 1000));
    if (!connected_) timeoutMs = std::min(timeoutMs, kIdlePollMs);

    pollfd fds[2] = {{gSignalPipe[0], POLLIN, 0}, {master_, POLLIN, 0}};
    // A master without an open line reports hang-up at once; it is only watched while
    // the line is open, else the loop would spin.
    const int rc = poll(fds, connected_ ? 2 : 1, timeoutMs);
    if (rc > 0 && (fds[0].revents & POLLIN)) {
      const char asked = drainSignals();
      if (asked == kStopByte) break;
      if (asked == kUnplugByte) unplug(now());
    }
  }
  if (o_.verbose) std::fprintf(stderr, "%s: stopping\n", kProgram);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (auto code = parseOptions(argc, argv, options)) return *code;
  Simulator simulator(std::move(options));
  return simulator.run();
}
