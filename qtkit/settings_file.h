#pragma once
// The settings file is read with the bounded reader of files the program is pointed at.
#include "qtkit/settings_store.h"

namespace qtkit {
SettingsFileReader settingsFileReader();
}  // namespace qtkit
