#pragma once
// Routes the toolkit's own texts (button captions of message boxes, file dialogs)
// through gettext, domain "default" (kToolkitTextDomain). Where its catalogues lie is the
// program's to say: it binds the domain through `bindDomain` (the "locale" folder beside the
// program); without it gettext's own default folder is searched.
#include <QTranslator>
#include <functional>
#include <string>

namespace qtkit {
inline constexpr const char* kToolkitTextDomain = "default";
// Binds a gettext text domain to the folder of its catalogues.
using BindTextDomain = std::function<void(const std::string& domain)>;

class GettextTranslator : public QTranslator {
 public:
  explicit GettextTranslator(const BindTextDomain& bindDomain = {}, QObject* parent = nullptr);
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
};
}  // namespace qtkit
