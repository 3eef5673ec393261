#include "app/settings_file.h"

#include <filesystem>

#include "measurement/bounded_file.h"

namespace app {

namespace {
qtkit::SettingsFileContents::Status statusOf(measurement::BoundedFileReader::Status s) {
  using From = measurement::BoundedFileReader::Status;
  using To = qtkit::SettingsFileContents::Status;
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

qtkit::SettingsFileReader settingsFileReader() {
  return [](const std::string& path, std::uint64_t limit) {
    measurement::BoundedFileContents file =
        measurement::readBoundedFile(std::filesystem::path(path), limit);
    qtkit::SettingsFileContents read;
    read.status = statusOf(file.status);
    read.error = file.error;
    read.readFailed = file.readFailed;
    read.cut = file.cut;
    read.bytes = std::move(file.bytes);
    return read;
  };
}

}  // namespace app
