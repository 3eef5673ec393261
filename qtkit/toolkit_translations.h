#pragma once
// Qt's own texts (the buttons of message boxes, the file and print dialogs) in the
// language of the program's windows. A text is looked up first in the gettext catalogue of
// the domain "default" (GettextTranslator), then in Qt's catalogue of the language
// (qtbase_pl.qm, qtbase_en.qm, qtbase_it.qm in Qt's translations folder; Debian's package
// qt6-translations-l10n). Without a catalogue Qt's texts stay as Qt writes them (English).
#include <QString>
#include <QTranslator>

#include "qtkit/gettext_translator.h"

namespace qtkit {

class ToolkitTranslations {
 public:
  // Installs both catalogues into the application; they leave it with this object.
  // `bindDomain` says where the gettext catalogue of kToolkitTextDomain lies.
  explicit ToolkitTranslations(const BindTextDomain& bindDomain = {});
  ~ToolkitTranslations();
  ToolkitTranslations(const ToolkitTranslations&) = delete;
  ToolkitTranslations& operator=(const ToolkitTranslations&) = delete;

  // "pl", "en" or "it". False when Qt has no catalogue for it here.
  bool setLanguage(const QString& code);
  QString language() const { return language_; }

 private:
  QTranslator qt_;
  GettextTranslator gettext_;
  QString language_;
  bool loaded_ = false;
};

}  // namespace qtkit
