#pragma once
// The one program-wide value: the user-interface language code ("pl", "en", "it").
#include <string>

namespace app {
extern std::string LanguageCode;
// Set by the preferences dialog when it finds no settings; never cleared in a run.
extern bool FirstRunEntry;
}  // namespace app
