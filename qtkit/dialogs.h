#pragma once
// Message boxes, file dialogs, the print dialog and the beep, behind an interface so that
// widget tests script the answers instead of blocking on a modal box.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace qtkit {

struct FileDialogRequest {
  QString filter;            // e.g. "Pliki danych Halvex 2.2|*.HVD" (description|pattern)
  QString defaultExtension;  // e.g. "*.HVD"
  QString fileName;          // initial file name ("" = empty)
  QString initialDir;        // folder the dialog opens in
};

// "desc|*.A;*.B|desc2|*.C" (the filter text the windows use) -> Qt name filters
// {"desc (*.A *.B)", "desc2 (*.C)"}.
QStringList qtNameFilters(const QString& filter);
// "*.HVD", ".HVD" or "HVD" -> "HVD".
QString bareExtension(const QString& defaultExtension);
// Appends the default extension when the chosen file name has none.
QString withDefaultExtension(const QString& path, const QString& defaultExtension);

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void message(const QString& text) = 0;   // OK box
  virtual bool askYesNo(const QString& text) = 0;  // true = Yes
  virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
  virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
  // The print dialog: the user chooses a printer (or a PDF file) for `printer`. True = print.
  virtual bool printDialog(QPrinter& printer) = 0;
  // The print preview: `paint` draws the document on the printer it is given, for the
  // preview and again when the user prints from it. True = printed.
  virtual bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
  virtual void beep() = 0;
};

// Real dialogs (QMessageBox, QFileDialog, QApplication::beep), parented to `parent`.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  void message(const QString& text) override;
  bool askYesNo(const QString& text) override;
  std::optional<QString> openFile(const FileDialogRequest& request) override;
  std::optional<QString> saveFile(const FileDialogRequest& request) override;
  bool printDialog(QPrinter& printer) override;
  bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
  void beep() override;

 private:
  QWidget* parent_;
};

// Test double: records what was shown and answers from scripted queues.
class ScriptedDialogs : public Dialogs {
 public:
  QStringList messages;                       // every message() text, in order
  QStringList questions;                      // every askYesNo() text
  QList<bool> yesNoAnswers;                   // consumed front first; default Yes
  QList<std::optional<QString>> fileAnswers;  // consumed by open/save; default cancel
  QList<FileDialogRequest> fileRequests;      // what the program asked for
  // Answers of the print dialog, consumed front first; default cancel. An answer names the
  // PDF file to print to ("" leaves the printer as the program set it up).
  QList<std::optional<QString>> printAnswers;
  int printDialogs = 0;  // how often the print dialog was shown
  // Answers of the print preview (true = printed from it), consumed front first; default
  // closed without printing. The document is painted once either way.
  QList<bool> previewAnswers;
  int previews = 0;
  int beeps = 0;

  void message(const QString& text) override { messages << text; }
  bool askYesNo(const QString& text) override {
    questions << text;
    return yesNoAnswers.isEmpty() ? true : yesNoAnswers.takeFirst();
  }
  std::optional<QString> openFile(const FileDialogRequest& r) override { return nextFile(r); }
  std::optional<QString> saveFile(const FileDialogRequest& r) override { return nextFile(r); }
  bool printDialog(QPrinter& printer) override;
  bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
  void beep() override { ++beeps; }

 private:
  std::optional<QString> nextFile(const FileDialogRequest& r) {
    fileRequests << r;
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
  }
};

}  // namespace qtkit
