#pragma once
// The one conversion of the program's UTF-8 texts (std::string, string views, string literals)
// to the toolkit's strings, for the windows of every folder. Header-only: it needs Qt Core
// and nothing else (the repository root is on every target's include path).
#include <QString>
#include <string_view>

namespace qtkit {

inline QString qstr(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace qtkit
