// Program entry: the application object, the settings store and the dialogs; then the
// start-up of app/program.h (which installs the message catalogues) and the event loop.
#include <QApplication>

#include "app/main_win.h"
#include "app/program.h"
#include "app/settings_file.h"
#include "qtkit/dialogs.h"
#include "qtkit/settings_store.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);

  qtkit::QtDialogs dialogs;
  // Problems of the settings file found before the main window exists wait for it;
  // later ones (a save that fails) are shown at once.
  QStringList earlyProblems;
  bool windowsStand = false;
  qtkit::SettingsStore store(qtkit::SettingsStore::defaultPath(), app::settingsFileReader(),
                             [&](const std::string& p) {
                               const QString text = QString::fromStdString(p);
                               if (windowsStand) {
                                 dialogs.message(text);
                               } else {
                                 earlyProblems << text;
                               }
                             });

  const std::unique_ptr<app::Program> program =
      app::startProgram(store, dialogs, earlyProblems, [&](app::TMainWin& w) {
        dialogs.setParent(&w);
        windowsStand = true;
      });
  if (!program) return 0;
  return application.exec();
}
