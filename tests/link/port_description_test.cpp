// What the port menu says a port name leads to, against a made-up sysfs and /dev in a
// temporary folder, and a real pty.
#include "tests/support/fake_sysfs.h"
#include "tests/support/master_pty.h"
#include "link/port_description.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/scoped_env.h"

namespace {
namespace fs = std::filesystem;

using Pty = testutil::MasterPty;
using testutil::FakeTree;

TEST(PortDescription, SaysWhereEachNameLeads) {
  FakeTree t;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", t.config().c_str());
  Pty pty;
  ASSERT_FALSE(pty.path.empty());

  // A USB adapter: the product string sits in the USB device above the interface.
  const fs::path ftdi = t.device("pci0000:00/0000:00:14.0/usb1/1-2");
  t.file(ftdi / "product", "FT232R USB UART");
  t.device("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", "usb", "ftdi_sio");
  t.tty("ttyUSB0", t.device("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0", "usb-serial",
                            "ftdi_sio"));
  // An ACM device: the line hangs on the interface itself.
  const fs::path acm = t.device("pci0000:00/0000:00:14.0/usb1/1-3");
  t.file(acm / "product", "LT-40 USB Serial  ");
  t.tty("ttyACM0", t.device("pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0", "usb", "cdc_acm"));
  // A UART on the board, found by its driver.
  t.tty("ttyS0", t.device("pnp0/00:05", "pnp", "serial"));
  t.file(t.sys() / "class/tty/ttyS0/type", "4");
  t.file(t.sys() / "class/tty/ttyS0/port", "0x3F8");
  // A UART under the generic serial-port layer of newer kernels.
  t.device("platform/serial8250", "platform", "serial8250");
  t.device("platform/serial8250/serial8250:0", "serial-base", "ctrl");
  t.tty("ttyS1", t.device("platform/serial8250/serial8250:0/serial8250:0.1", "serial-base", "port"));
  t.file(t.sys() / "class/tty/ttyS1/type", "4");
  t.file(t.sys() / "class/tty/ttyS1/port", "0x2F8");
  // A line the kernel reserves with no UART behind it.
  t.tty("ttyS3", t.device("platform/serial8250/serial8250:0/serial8250:0.3", "serial-base", "port"));
  t.file(t.sys() / "class/tty/ttyS3/type", "0");
  t.file(t.sys() / "class/tty/ttyS3/port", "0x0");
  // A line known to sysfs with no node in /dev.
  t.tty("ttyS4", t.device("pnp0/00:06", "pnp", "serial"), false);
  // Port-name links.
  t.link(t.ports() / "COM6", t.dev() / "ttyUSB0");
  t.link(t.ports() / "COM7", t.dev() / "ttyACM0");
  t.link(t.ports() / "COM8", pty.path);
  t.link(t.ports() / "COM9", t.dev() / "ttyUSB7");
  t.link(t.ports() / "usb", "COM6");  // a link to a link

  const std::string dev = t.dev().string();
  struct Case {
    std::string port;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"COM1", dev + "/ttyS0 (serial)"},
      {"COM2", dev + "/ttyS1 (serial8250)"},
      {"COM3", std::nullopt},  // no /dev/ttyS2
      {"COM4", dev + "/ttyS3"},
      {"COM5", std::nullopt},
      {"COM6", dev + "/ttyUSB0 (FT232R USB UART)"},
      {"COM7", dev + "/ttyACM0 (LT-40 USB Serial)"},
      {"COM8", pty.path},
      {"COM9", std::nullopt},  // the link leads nowhere
      {"COM10", std::nullopt},
      {"usb", dev + "/ttyUSB0 (FT232R USB UART)"},
      {dev + "/ttyACM0", dev + "/ttyACM0 (LT-40 USB Serial)"},
      {pty.path, pty.path},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(devlink::describePort(c.port, t.sys().string(), dev), c.expected) << c.port;
  }
}

TEST(PortDescription, ANameWithNoDeviceLeadsNowhere) {
  FakeTree t;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", t.config().c_str());
  for (const char* port : {"COM1", "COM20", "ttyUSB9", "/nonexistent/tty"})
    EXPECT_EQ(devlink::describePort(port, t.sys().string(), t.dev().string()), std::nullopt)
        << port;
}

}  // namespace
