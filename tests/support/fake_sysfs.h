#pragma once
// A made-up sysfs, /dev and folder of port links in a temporary folder, removed with the
// object: what the port descriptions and listings are checked against.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace testutil {

class FakeTree {
 public:
  FakeTree() {
    char pattern[] = "/tmp/halvex-ports-XXXXXX";
    root_ = ::mkdtemp(pattern);
    std::filesystem::create_directories(sys() / "class" / "tty");
    std::filesystem::create_directories(dev());
    std::filesystem::create_directories(ports());
  }
  ~FakeTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::filesystem::path sys() const { return root_ / "sys"; }
  std::filesystem::path dev() const { return root_ / "dev"; }
  std::filesystem::path config() const { return root_ / "config"; }
  std::filesystem::path ports() const { return config() / "Vantorel" / "ports"; }

  void file(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text << '\n';
  }
  void link(const std::filesystem::path& at, const std::filesystem::path& to) {
    std::filesystem::create_directories(at.parent_path());
    std::filesystem::create_symlink(to, at);
  }
  // A device directory in the device tree, with its driver and bus.
  std::filesystem::path device(const std::string& relative, const std::string& bus = {},
                               const std::string& driver = {}) {
    const std::filesystem::path dir = sys() / "devices" / relative;
    std::filesystem::create_directories(dir);
    if (!bus.empty()) {
      std::filesystem::create_directories(sys() / "bus" / bus / "drivers" / driver);
      link(dir / "subsystem", sys() / "bus" / bus);
      link(dir / "driver", sys() / "bus" / bus / "drivers" / driver);
    }
    return dir;
  }
  // A tty line: its /dev node (a plain file stands in) and its class entry.
  void tty(const std::string& name, const std::filesystem::path& device, bool inDev = true) {
    const std::filesystem::path cls = sys() / "class" / "tty" / name;
    std::filesystem::create_directories(cls);
    if (!device.empty()) link(cls / "device", device);
    if (inDev) file(dev() / name, "");
  }

 private:
  std::filesystem::path root_;
};

}  // namespace testutil
