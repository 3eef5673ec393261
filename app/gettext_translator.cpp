#include "app/gettext_translator.h"

#include <libintl.h>

#include <cstring>

#include "link/com_messages.h"

namespace app {

namespace {
constexpr const char* kDomain = "default";
}

GettextTranslator::GettextTranslator(QObject* parent) : QTranslator(parent) {
  devlink::bindCatalogue(kDomain, devlink::programLocaleDir());
}

QString GettextTranslator::translate(const char*, const char* sourceText, const char*, int) const {
  if (sourceText == nullptr || *sourceText == '\0') return {};
  const char* translated = dgettext(kDomain, sourceText);
  // gettext hands back the very same pointer when it has no translation: report
  // "none" so that Qt keeps looking (and uses the source text).
  if (translated == sourceText || std::strcmp(translated, sourceText) == 0) return {};
  return QString::fromUtf8(translated);
}

}  // namespace app
