#pragma once
// What "halvex-log ports" prints: the port names of the window's menu that lead to a device.
// Toolkit-free.
#include <string>

namespace logger {

// One line per name of COM1..COM20 that resolves to an existing device (through the folder
// of port links, else COMn -> ttyS<n-1>): the name, the device with links followed and, when
// sysfs describes it, what sits behind it, in aligned columns two blanks apart:
//   COM3  /dev/ttyUSB0  FT232R USB UART
// Empty when no name leads anywhere. `sysfsRoot` and `devRoot` stand in for /sys and /dev
// (for tests).
std::string portsListing(const std::string& sysfsRoot = "/sys",
                         const std::string& devRoot = "/dev");

}  // namespace logger
