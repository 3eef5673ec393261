// Program entry: creates the windows that live for the whole run, in their fixed
// order, and runs the event loop.
#include <QApplication>
#include <QTimer>

#include "app/about_win.h"
#include "app/dialogs.h"
#include "app/gettext_translator.h"
#include "app/main_win.h"
#include "app/settings_store.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::GettextTranslator translator;
  QApplication::installTranslator(&translator);

  app::QtDialogs dialogs;
  // Problems of the settings file found before the main window exists wait for it;
  // later ones (a save that fails) are shown at once.
  QStringList storeProblems;
  app::Dialogs* report = nullptr;
  app::SettingsStore store(app::SettingsStore::defaultPath(),
                           [&storeProblems, &report](const std::string& p) {
                             const QString text = QString::fromStdString(p);
                             if (report != nullptr) {
                               report->message(text);
                             } else {
                               storeProblems << text;
                             }
                           });

  app::TMainWin mainWin(store, dialogs);
  dialogs.setParent(&mainWin);
  report = &dialogs;
  for (const QString& problem : storeProblems) dialogs.message(problem);
  if (!mainWin.FormCreate()) return 0;
  mainWin.show();

  app::TAboutWin about(
      store, &mainWin, [&mainWin] { mainWin.EnterServiceMode(); },
      [&dialogs](const QString& text) { dialogs.message(text); });
  mainWin.setShowAbout([&about] { about.ShowAbout(); });
  about.FormCreate();

  return application.exec();
}
