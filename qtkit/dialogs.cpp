#include "qtkit/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qtkit {

QStringList qtNameFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(QLatin1Char('|'));
  if (filter.trimmed().isEmpty()) return result;
  if (parts.size() == 1) {  // a bare pattern such as "*.HVD"
    result << parts.first().trimmed().replace(QLatin1Char(';'), QLatin1Char(' '));
    return result;
  }
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts[i + 1].trimmed().replace(QLatin1Char(';'), QLatin1Char(' '));
    result << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns);
  }
  return result;
}

QString bareExtension(const QString& defaultExtension) {
  QString ext = defaultExtension.trimmed();
  while (ext.startsWith(QLatin1Char('*')) || ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  return ext;
}

QString withDefaultExtension(const QString& path, const QString& defaultExtension) {
  const QString ext = bareExtension(defaultExtension);
  if (ext.isEmpty() || path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  if (path.endsWith(QLatin1Char('.'))) return path + ext;
  return path + QLatin1Char('.') + ext;
}

namespace {

std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& r,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  const QStringList filters = qtNameFilters(r.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  const QString ext = bareExtension(r.defaultExtension);
  if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
  if (!r.initialDir.isEmpty()) dialog.setDirectory(r.initialDir);
  if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
  return withDefaultExtension(files.first(), r.defaultExtension);
}

QString boxTitle() {
  return QApplication::applicationDisplayName();
}

}  // namespace

void QtDialogs::message(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, boxTitle(), text, QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::askYesNo(const QString& text) {
  QMessageBox box(QMessageBox::Question, boxTitle(), text, QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request) {
  return runFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(const FileDialogRequest& request) {
  return runFileDialog(parent_, request, QFileDialog::AcceptSave);
}

bool QtDialogs::printDialog(QPrinter& printer) {
  QPrintDialog dialog(&printer, parent_);
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
  QPrintPreviewDialog dialog(&printer, parent_);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&paint](QPrinter* target) { paint(*target); });
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::beep() {
  QApplication::beep();
}

bool ScriptedDialogs::printDialog(QPrinter& printer) {
  ++printDialogs;
  if (printAnswers.isEmpty()) return false;
  const std::optional<QString> answer = printAnswers.takeFirst();
  if (!answer) return false;
  if (!answer->isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*answer);
  }
  return true;
}

bool ScriptedDialogs::printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
  ++previews;
  paint(printer);
  return previewAnswers.isEmpty() ? false : previewAnswers.takeFirst();
}

}  // namespace qtkit
