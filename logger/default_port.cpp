#include "logger/default_port.h"

#include "qtkit/settings_file.h"
#include "qtkit/settings_store.h"

namespace logger {

std::string defaultPort(const std::function<void(const std::string&)>& onProblem) {
  static constexpr const char* kFallback = "COM1";
  qtkit::SettingsStore store(qtkit::SettingsStore::defaultPath(), qtkit::settingsFileReader(),
                             [&](const std::string& problem) {
                               if (onProblem) onProblem(problem);
                             });
  try {
    // ExistingOnly: a missing key must not be created, which would write the file.
    const std::string port = store.readString(qtkit::keys::kProduct, qtkit::keys::kComPort,
                                              qtkit::SettingsStore::KeyOpen::ExistingOnly);
    if (port.size() > 3) return port;
  } catch (const qtkit::SettingsError& e) {
    if (onProblem) onProblem(e.what());
  }
  return kFallback;
}

measurement::CsvStyle defaultCsvStyle() {
  qtkit::SettingsStore store(qtkit::SettingsStore::defaultPath(), qtkit::settingsFileReader(),
                             [](const std::string&) {});
  try {
    return measurement::csvStyleFromName(store.readString(
        qtkit::keys::kProduct, qtkit::keys::kCsvStyle, qtkit::SettingsStore::KeyOpen::ExistingOnly));
  } catch (const qtkit::SettingsError&) {
    return measurement::CsvStyle::Comma;
  }
}

}  // namespace logger
