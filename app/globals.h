#pragma once
// The program-wide values of the windows: the language code (kept by qtkit, below every
// window) and the first-run mark.
#include "qtkit/language.h"

namespace app {
using qtkit::LanguageCode;
// Set by the preferences dialog when it finds no settings; never cleared in a run.
extern bool FirstRunEntry;
}  // namespace app
