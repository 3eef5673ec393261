#pragma once
// The one program-wide value: the user-interface language code ("pl", "en", "it"). Every
// window reads it when it shows its texts; the main window sets it.
#include <string>

namespace qtkit {
extern std::string LanguageCode;
}  // namespace qtkit
