#include "app/program.h"

#include "app/about_win.h"
#include "app/dialogs.h"
#include "app/main_win.h"
#include "app/settings_store.h"

namespace app {

Program::Program() = default;
Program::~Program() {
  // The about box refers to the main window; it goes first.
  about.reset();
  mainWin.reset();
}

std::unique_ptr<Program> startProgram(SettingsStore& store, Dialogs& dialogs,
                                      const QStringList& earlyProblems,
                                      const std::function<void(TMainWin&)>& mainWindowMade) {
  auto program = std::make_unique<Program>();
  program->mainWin = std::make_unique<TMainWin>(store, dialogs);
  TMainWin& mainWin = *program->mainWin;
  if (mainWindowMade) mainWindowMade(mainWin);
  for (const QString& problem : earlyProblems) dialogs.message(problem);
  if (!mainWin.FormCreate()) return nullptr;
  mainWin.show();

  // Its creation reads the stored name, company and service flag and shows the splash.
  program->about = std::make_unique<TAboutWin>(
      store, &mainWin, [&mainWin] { mainWin.EnterServiceMode(); },
      [&dialogs](const QString& text) { dialogs.message(text); });
  TAboutWin& about = *program->about;
  mainWin.setShowAbout([&about] { about.ShowAbout(); });
  return program;
}

}  // namespace app
