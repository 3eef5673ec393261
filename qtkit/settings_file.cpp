#include "qtkit/settings_file.h"

#include <filesystem>

#include "measurement/bounded_file.h"

namespace qtkit {

namespace {
SettingsFileContents::Status statusOf(measurement::BoundedFileReader::Status s) {
  using From = measurement::BoundedFileReader::Status;
  using To = SettingsFileContents::Status;
  switch (s) {
    case From::Open:
      return To::Open;
    case From::NotRegular:
      return To::NotRegular;
    case From::CannotOpen:
      break;
  }
  return To::CannotOpen;
}
}  // namespace

SettingsFileReader settingsFileReader() {
  return [](const std::string& path, std::uint64_t limit) {
    measurement::BoundedFileContents file =
        measurement::readBoundedFile(std::filesystem::path(path), limit);
    SettingsFileContents read;
    read.status = statusOf(file.status);
    read.error = file.error;
    read.readFailed = file.readFailed;
    read.cut = file.cut;
    read.bytes = std::move(file.bytes);
    return read;
  };
}

}  // namespace qtkit
