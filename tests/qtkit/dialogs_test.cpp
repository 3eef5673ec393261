// The real dialogs layer: filter text conversion, default extensions, and the boxes
// answered the way a user would (found as the active modal widget).
#include "qtkit/dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

using qtkit::FileDialogRequest;
using qtkit::QtDialogs;

TEST(Dialogs, FilterTextBecomesQtNameFilters) {
  struct Row {
    QString in;
    QStringList out;
  };
  const Row rows[] = {
      {"Pliki danych Halvex 2.2|*.HVD", {"Pliki danych Halvex 2.2 (*.HVD)"}},
      {"Dane|*.HVD|Kalibracja|*.HVC;*.TXT", {"Dane (*.HVD)", "Kalibracja (*.HVC *.TXT)"}},
      {"*.HVC", {"*.HVC"}},
      {"", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(qtkit::qtNameFilters(r.in), r.out) << r.in.toStdString();
}

TEST(Dialogs, DefaultExtensionIsAddedOnlyWhenTheNameHasNone) {
  struct Row {
    QString path, ext, out;
  };
  const Row rows[] = {
      {"/d/pomiar", "*.HVD", "/d/pomiar.HVD"},
      {"/d/pomiar", ".HVD", "/d/pomiar.HVD"},
      {"/d/pomiar", "HVC", "/d/pomiar.HVC"},
      {"/d/pomiar.txt", "*.HVD", "/d/pomiar.txt"},
      {"/d.x/pomiar", "*.HVD", "/d.x/pomiar.HVD"},
      {"/d/pomiar.", "*.HVD", "/d/pomiar.HVD"},
      {"/d/pomiar", "", "/d/pomiar"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(qtkit::withDefaultExtension(r.path, r.ext), r.out) << r.path.toStdString();
  }
}

// Runs `answer` on the next modal widget as soon as it is up.
void answerNextModal(const std::function<void(QWidget*)>& answer) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(w);
    }
  });
  timer->start();
}

TEST(Dialogs, MessageBoxesReturnTheUsersAnswer) {
  QtDialogs dialogs;
  QString shown;
  answerNextModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(dialogs.askYesNo("Czy na pewno?"));
  EXPECT_EQ(shown, "Czy na pewno?");

  answerNextModal(
      [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
  EXPECT_TRUE(dialogs.askYesNo("Czy na pewno?"));

  answerNextModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    EXPECT_NE(box->button(QMessageBox::Ok), nullptr);
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.message("Błąd. Nie można zapisać do pliku.");
  EXPECT_EQ(shown, "Błąd. Nie można zapisać do pliku.");
}

TEST(Dialogs, SaveDialogUsesTheFilterAndAppendsTheDefaultExtension) {
  QTemporaryDir dir;
  QtDialogs dialogs;
  QStringList filters;
  answerNextModal([&](QWidget* w) {
    auto* fd = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(fd, nullptr);
    filters = fd->nameFilters();
    // selectFile does not overwrite the name field while it has the focus (the user may be
    // typing there), and the dialog may already be active when this runs.
    if (QWidget* typing = fd->focusWidget()) typing->clearFocus();
    fd->selectFile(dir.path() + "/pomiar");
    static_cast<QDialog*>(fd)->accept();  // QFileDialog::accept, as the Save button
  });
  const auto chosen =
      dialogs.saveFile(FileDialogRequest{"Pliki danych Halvex 2.2|*.HVD", "*.HVD", "", dir.path()});
  EXPECT_EQ(filters, QStringList{"Pliki danych Halvex 2.2 (*.HVD)"});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir.path() + "/pomiar.HVD");

  answerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(dialogs.openFile(FileDialogRequest{"Dane|*.HVD", "*.HVD", "", dir.path()}));
}

}  // namespace
