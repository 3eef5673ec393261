#include "app/globals.h"

namespace app {
std::string LanguageCode;
bool FirstRunEntry = false;
}  // namespace app
