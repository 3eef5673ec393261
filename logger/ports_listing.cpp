#include "logger/ports_listing.h"

#include <algorithm>
#include <vector>

#include "link/host_serial.h"
#include "link/port_description.h"

namespace logger {

namespace {

struct Row {
  std::string name;
  std::string device;
  std::string what;
};

// describePort gives "<device>" or "<device> (<what>)"; the device is the path the name
// resolves to, so it is cut off by that path where it matches and at " (" otherwise (a
// stand-in /dev of the tests).
Row splitDescription(const std::string& name, const std::string& description) {
  Row row{name, description, {}};
  std::size_t end = std::string::npos;
  const std::string device = devlink::portDevicePath(name);
  if (description.starts_with(device) &&
      (description.size() == device.size() || description.compare(device.size(), 2, " (") == 0)) {
    end = device.size();
  } else {
    end = description.find(" (");
  }
  if (end == std::string::npos || !description.ends_with(')') || end + 3 > description.size())
    return row;
  row.device = description.substr(0, end);
  row.what = description.substr(end + 2, description.size() - end - 3);
  return row;
}

}  // namespace

std::string portsListing(const std::string& sysfsRoot, const std::string& devRoot) {
  std::vector<Row> rows;
  for (int n = 1; n <= 20; ++n) {
    const std::string name = "COM" + std::to_string(n);
    if (const auto description = devlink::describePort(name, sysfsRoot, devRoot))
      rows.push_back(splitDescription(name, *description));
  }
  std::size_t nameWidth = 0;
  std::size_t deviceWidth = 0;
  for (const Row& r : rows) {
    nameWidth = std::max(nameWidth, r.name.size());
    deviceWidth = std::max(deviceWidth, r.device.size());
  }
  std::string text;
  for (const Row& r : rows) {
    std::string line = r.name + std::string(nameWidth - r.name.size() + 2, ' ') + r.device;
    if (!r.what.empty()) line += std::string(deviceWidth - r.device.size() + 2, ' ') + r.what;
    text += line + '\n';
  }
  return text;
}

}  // namespace logger
