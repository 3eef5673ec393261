#include "app/globals.h"

namespace app {
bool FirstRunEntry = false;
}  // namespace app
