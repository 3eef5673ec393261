// What a port name leads to, for the port menu: the device it resolves to and, where the
// kernel's sysfs tells, what sits behind it (a USB adapter's product string or the driver's
// name). Toolkit-free.
#pragma once

#include <optional>
#include <string>

namespace devlink {

// For a port name resolved as resolvePortPath does (the link folder, COMn -> ttyS<n-1>),
// with symbolic links followed: nullopt when no device exists there; else the device path,
// followed by " (<what>)" when sysfs describes it, e.g. "/dev/ttyUSB0 (FT232R USB UART)".
// What is looked up under `sysfsRoot`: class/tty/<device name>/device, followed into the
// device tree; the first ancestor with a `product` file gives the product; else the first
// one with a driver that is not the kernel's generic serial-port layer gives the driver's
// name. A ttyS line with no UART behind it (type 0 or port 0) gets no description.
// `devRoot` stands in for /dev in the default COMn mapping (for tests; the path shown is
// then under it).
std::optional<std::string> describePort(const std::string& portName,
                                        const std::string& sysfsRoot = "/sys",
                                        const std::string& devRoot = "/dev");

}  // namespace devlink
