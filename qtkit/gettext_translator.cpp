#include "qtkit/gettext_translator.h"

#include <libintl.h>

#include <cstring>

namespace qtkit {

namespace {
constexpr const char* kDomain = kToolkitTextDomain;
}

GettextTranslator::GettextTranslator(const BindTextDomain& bindDomain, QObject* parent)
    : QTranslator(parent) {
  if (bindDomain) bindDomain(kDomain);
}

QString GettextTranslator::translate(const char*, const char* sourceText, const char*, int) const {
  if (sourceText == nullptr || *sourceText == '\0') return {};
  const char* translated = dgettext(kDomain, sourceText);
  // gettext hands back the very same pointer when it has no translation: report
  // "none" so that Qt keeps looking (and uses the source text).
  if (translated == sourceText || std::strcmp(translated, sourceText) == 0) return {};
  return QString::fromUtf8(translated);
}

}  // namespace qtkit
