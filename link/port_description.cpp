#include "link/port_description.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "link/host_serial.h"

namespace devlink {
namespace fs = std::filesystem;

namespace {

// The first line of a small sysfs attribute, without trailing blanks; empty when unreadable.
std::string readAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
    line.pop_back();
  return line;
}

// Follows symbolic links (up to as many as the system itself follows).
fs::path followLinks(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) break;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path.lexically_normal();
}

// A ttyS line the kernel reserves without a UART behind it.
bool isPhantomUart(const fs::path& classDir) {
  const std::string type = readAttribute(classDir / "type");
  const std::string port = readAttribute(classDir / "port");
  return type == "0" || port == "0" || port == "0x0";
}

std::string driverName(const fs::path& device) {
  std::error_code ec;
  const fs::path driver = device / "driver";
  if (!fs::exists(driver, ec)) return {};
  // The generic serial-port layer of newer kernels sits between the line and its UART;
  // its drivers ("port", "ctrl") say nothing, the UART's own driver above it does.
  const fs::path subsystem = fs::read_symlink(device / "subsystem", ec);
  if (!ec && subsystem.filename() == "serial-base") return {};
  return fs::read_symlink(driver, ec).filename().string();
}

std::string sysfsDescription(const std::string& ttyName, const fs::path& sysfsRoot) {
  if (ttyName.empty()) return {};
  const fs::path classDir = sysfsRoot / "class" / "tty" / ttyName;
  std::error_code ec;
  const fs::path deviceLink = classDir / "device";
  if (!fs::exists(deviceLink, ec)) return {};  // a virtual terminal, a pty
  if (ttyName.rfind("ttyS", 0) == 0 && isPhantomUart(classDir)) return {};
  const fs::path root = fs::weakly_canonical(sysfsRoot, ec);
  fs::path device = fs::canonical(deviceLink, ec);
  if (ec) return {};
  // Product first: the USB device is an ancestor of the interface the line hangs on.
  for (fs::path p = device; !p.empty() && p != root && p != p.root_path(); p = p.parent_path()) {
    const std::string product = readAttribute(p / "product");
    if (!product.empty()) return product;
  }
  for (fs::path p = device; !p.empty() && p != root && p != p.root_path(); p = p.parent_path()) {
    const std::string driver = driverName(p);
    if (!driver.empty()) return driver;
  }
  return {};
}

}  // namespace

std::optional<std::string> describePort(const std::string& portName, const std::string& sysfsRoot,
                                        const std::string& devRoot) {
  int error = 0;
  std::string resolved = resolvePortPath(portName, error);
  if (resolved.empty()) return std::nullopt;
  if (devRoot != "/dev" && resolved.rfind("/dev/", 0) == 0 && portName[0] != '/')
    resolved = devRoot + resolved.substr(4);
  const fs::path device = followLinks(resolved);
  std::error_code ec;
  if (!fs::exists(fs::status(device, ec))) return std::nullopt;
  std::string text = device.string();
  const std::string what = sysfsDescription(device.filename().string(), sysfsRoot);
  if (!what.empty()) text += " (" + what + ")";
  return text;
}

}  // namespace devlink
