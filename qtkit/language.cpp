#include "qtkit/language.h"

namespace qtkit {
std::string LanguageCode;
}  // namespace qtkit
