// Looking for the instrument without disturbing anything: a line is only listened to
// (9600 8N1, never written to) for the measurement frames the LT-40 sends by itself.
// Toolkit-free.
#pragma once

#include <string>
#include <vector>

namespace devlink {

enum class ProbeOutcome {
  Instrument,    // two consecutive well-formed measurement frames came
  NoInstrument,  // silence or other bytes
  Busy,          // another program (or this one) holds the line
  CannotOpen,    // missing, no permission, not a terminal
};

// Opens `devicePath` read-only (non-blocking, not as controlling terminal), takes it as
// 9600 baud 8N1 raw for the time of listening and puts its settings back, listens up to
// `listenMs`, closes it. Never writes.
ProbeOutcome probeInstrument(const std::string& devicePath, int listenMs = 1500);

// Whether `bytes` hold two measurement frames one right behind the other, each with its
// sync pair and well-formed.
bool holdsTwoConsecutiveFrames(const std::vector<unsigned char>& bytes);

struct ProbeResult {
  std::string device;
  ProbeOutcome outcome = ProbeOutcome::CannotOpen;
};

// Probes every device at once (each on its own thread); results in the order given.
std::vector<ProbeResult> probeAll(const std::vector<std::string>& devices, int listenMs = 1500);

// The serial lines of this computer worth listening to: every tty under `sysfsRoot` with
// hardware behind it (USB adapters, ACM devices, UARTs; not reserved ttyS lines without
// one) whose node exists under `devRoot`. Sorted by path.
std::vector<std::string> serialDevices(const std::string& sysfsRoot = "/sys",
                                       const std::string& devRoot = "/dev");

// Makes the port name `portName` (e.g. "COM3") lead to `device`: a symbolic link in the
// port-link folder, created with the folder or replacing what was there. False with
// `error` set when that cannot be done.
bool linkPortName(const std::string& portName, const std::string& device, std::string& error);

}  // namespace devlink
