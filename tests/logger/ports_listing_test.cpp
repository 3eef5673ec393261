// "halvex-log ports" against a made-up sysfs, /dev and folder of port links.
#include "logger/ports_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/fake_sysfs.h"
#include "tests/support/master_pty.h"
#include "tests/support/scoped_env.h"

namespace {

TEST(LoggerPorts, ListsTheNamesThatLeadToADevice) {
  testutil::FakeTree t;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", t.config().c_str());
  testutil::MasterPty pty;
  ASSERT_FALSE(pty.path.empty());

  // A USB adapter with its product string, linked as COM3.
  const auto ftdi = t.device("pci0000:00/0000:00:14.0/usb1/1-2");
  t.file(ftdi / "product", "FT232R USB UART");
  t.device("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", "usb", "ftdi_sio");
  t.tty("ttyUSB0",
        t.device("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0", "usb-serial", "ftdi_sio"));
  t.link(t.ports() / "COM3", t.dev() / "ttyUSB0");
  // A UART on the board (COM1 -> ttyS0), described by its driver.
  t.tty("ttyS0", t.device("pnp0/00:05", "pnp", "serial"));
  t.file(t.sys() / "class/tty/ttyS0/type", "4");
  t.file(t.sys() / "class/tty/ttyS0/port", "0x3F8");
  // A reserved line with no UART behind it: listed, without a description.
  t.tty("ttyS1",
        t.device("platform/serial8250/serial8250:0/serial8250:0.1", "serial-base", "port"));
  t.file(t.sys() / "class/tty/ttyS1/type", "0");
  // A pseudo-terminal as COM12 (what the simulator does); a link to nothing as COM14; a
  // name outside COM1..COM20 is not listed.
  t.link(t.ports() / "COM12", pty.path);
  t.link(t.ports() / "COM14", t.dev() / "ttyUSB9");
  t.link(t.ports() / "COM21", t.dev() / "ttyUSB0");

  const std::string dev = t.dev().string();
  const std::string usb = dev + "/ttyUSB0";
  const std::size_t width = std::max({usb.size(), pty.path.size(), dev.size() + 6});
  auto pad = [&](const std::string& device) { return std::string(width - device.size() + 2, ' '); };
  const std::string expected = "COM1   " + dev + "/ttyS0" + pad(dev + "/ttyS0") + "serial\n" +
                               "COM2   " + dev + "/ttyS1\n" + "COM3   " + usb + pad(usb) +
                               "FT232R USB UART\n" + "COM12  " + pty.path + "\n";
  EXPECT_EQ(logger::portsListing(t.sys().string(), dev), expected);
}

TEST(LoggerPorts, NothingToListIsEmpty) {
  testutil::FakeTree t;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", t.config().c_str());
  EXPECT_EQ(logger::portsListing(t.sys().string(), t.dev().string()), "");
}

}  // namespace
