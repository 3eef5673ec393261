#include "app/program.h"

#include <QCoreApplication>
#include <csignal>

#include "app/about_win.h"
#include "app/haslo_win.h"
#include "app/main_win.h"
#include "app/pobierz_win.h"
#include "app/uzytkownik_win.h"
#include "calibration/print_data_win.h"
#include "link/com_messages.h"
#include "qtkit/dialogs.h"
#include "qtkit/settings_store.h"
#include "qtkit/termination_signals.h"
#include "qtkit/toolkit_translations.h"
#include "report/raport_win.h"
#include "session/session.h"

namespace app {

Program::Program() = default;

void Program::endBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
Program::~Program() {
  // The lasting windows refer to the main window; they go first.
  pobierz.reset();
  uzytkownik.reset();
  haslo.reset();
  about.reset();
  mainWin.reset();
  session.reset();
  translations.reset();
}

std::unique_ptr<Program> startProgram(qtkit::SettingsStore& store, qtkit::Dialogs& dialogs,
                                      const QStringList& earlyProblems,
                                      const std::function<void(TMainWin&)>& mainWindowMade) {
  auto program = std::make_unique<Program>();
  program->translations =
      std::make_unique<qtkit::ToolkitTranslations>([](const std::string& domain) {
        devlink::bindCatalogue(domain, devlink::programLocaleDir());
      });
  program->session = std::make_unique<session::Session>();
  program->mainWin = std::make_unique<TMainWin>(store, dialogs, *program->session);
  TMainWin& mainWin = *program->mainWin;
  mainWin.setToolkitLanguage([&translations = *program->translations](const QString& code) {
    translations.setLanguage(code);
  });
  if (mainWindowMade) mainWindowMade(mainWin);
  for (const QString& problem : earlyProblems) dialogs.message(problem);
  if (!mainWin.FormCreate()) return nullptr;
  mainWin.show();
  mainWin.offerLeftoverRecordings();
  // A logout or shutdown ends a running recording as the user would, then the program.
  program->terminationSignals =
      std::make_unique<qtkit::TerminationSignals>([&mainWin, &afterSignal = program->afterTermination](int sig) {
        mainWin.endSession();
        if (afterSignal) afterSignal(sig);
      });

  // Its creation reads the stored name, company and service flag and shows the splash.
  program->about = std::make_unique<TAboutWin>(
      store, &mainWin, [&mainWin] { mainWin.EnterServiceMode(); },
      [&dialogs](const QString& text) { dialogs.message(text); });
  TAboutWin& about = *program->about;
  mainWin.setShowAbout([&about] { about.ShowAbout(); });

  program->haslo =
      std::make_unique<THasloWin>(&mainWin, [&mainWin] { mainWin.EnterServiceMode(); });
  THasloWin& haslo = *program->haslo;
  mainWin.setShowPassword([&haslo] { haslo.showCentred(); });
  program->uzytkownik = std::make_unique<TUzytkownikWin>(
      store, &mainWin, [&dialogs](const QString& text) { dialogs.message(text); });
  TUzytkownikWin& uzytkownik = *program->uzytkownik;
  mainWin.setShowUserSettings([&uzytkownik] { uzytkownik.showCentred(); });

  program->pobierz = std::make_unique<TPobierzWin>(&mainWin);
  mainWin.attachDownloadWindow(*program->pobierz);

  // The report and the calibration card are new windows at each use, owned by the main
  // window, which they disable while they are open.
  mainWin.setCreateReport([&mainWin, &dialogs] {
    new report::TRaport_Win(&mainWin, dialogs, TMainWin::dataDirectory());
  });
  mainWin.setCalibrationCard([&mainWin, &dialogs, &data = program->session->calibration()] {
    new calibration::TPrintDataWin(&mainWin, data, dialogs);
  });
  return program;
}

}  // namespace app
