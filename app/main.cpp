// Program entry: the application object, the settings store and the dialogs; then the
// start-up of app/program.h (which installs the message catalogues) and the event loop.
// "halvex --version" prints the program's name and version and ends before anything else
// is made.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/main_win.h"
#include "app/program.h"
#include "qtkit/dialogs.h"
#include "qtkit/settings_file.h"
#include "qtkit/settings_store.h"

// The version comes from the build (the project's VERSION); the window caption names it too.
static_assert(std::string_view(app::kWindowCaption).ends_with(" " HALVEX_VERSION),
              "the window caption names another version than the project");

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("halvex %s\n", HALVEX_VERSION);
      return 0;
    }
  }
  QApplication application(argc, argv);
  // Matches the windows to the installed desktop entry com.vantorel.Halvex.desktop (its
  // icon and name in the desktop's task bar; the application id under Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("com.vantorel.Halvex"));

  qtkit::QtDialogs dialogs;
  // Problems of the settings file found before the main window exists wait for it;
  // later ones (a save that fails) are shown at once.
  QStringList earlyProblems;
  bool windowsStand = false;
  qtkit::SettingsStore store(qtkit::SettingsStore::defaultPath(), qtkit::settingsFileReader(),
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
