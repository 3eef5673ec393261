#include "qtkit/toolkit_translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

namespace qtkit {

ToolkitTranslations::ToolkitTranslations(const BindTextDomain& bindDomain) : gettext_(bindDomain) {
  // The translator installed last is asked first: gettext's catalogue goes before Qt's.
  QCoreApplication::installTranslator(&qt_);
  QCoreApplication::installTranslator(&gettext_);
}

ToolkitTranslations::~ToolkitTranslations() {
  QCoreApplication::removeTranslator(&gettext_);
  QCoreApplication::removeTranslator(&qt_);
}

bool ToolkitTranslations::setLanguage(const QString& code) {
  if (code == language_) return loaded_;
  language_ = code;
  const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                       QStringLiteral("/qtbase_") + code + QStringLiteral(".qm");
  // Without the catalogue (or with a damaged one) the translator is emptied, so Qt's texts
  // fall back to English rather than staying in the language before.
  loaded_ = QFileInfo::exists(file) && qt_.load(file);
  if (!loaded_) static_cast<void>(qt_.load(nullptr, 0));  // loads nothing: only empties it
  return loaded_;
}

}  // namespace qtkit
