#pragma once
// Routes the toolkit's own texts (button captions of message boxes, file dialogs)
// through gettext, domain "default", in the "locale" folder beside the program.
#include <QTranslator>

namespace app {
class GettextTranslator : public QTranslator {
 public:
  explicit GettextTranslator(QObject* parent = nullptr);
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
};
}  // namespace app
