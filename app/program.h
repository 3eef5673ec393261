#pragma once
// The program's start-up, apart from main() so that a test can run it: the windows that
// live for the whole run are created in their fixed order, the main window's creation runs
// once, the about box shows itself as the splash and enters service mode when the stored
// flag says so.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace qtkit {
class Dialogs;
class TerminationSignals;
class SettingsStore;
class ToolkitTranslations;
}  // namespace qtkit

namespace session {
class Session;
}

namespace app {

class TAboutWin;
class THasloWin;
class TUzytkownikWin;
class TMainWin;
class TPobierzWin;

// The lasting windows, in creation order, and the catalogues of Qt's own texts, which
// follow the main window's language and outlive the windows.
struct Program {
  std::unique_ptr<qtkit::ToolkitTranslations> translations;
  // What runs under the windows; made before and gone after them.
  std::unique_ptr<session::Session> session;
  std::unique_ptr<TMainWin> mainWin;
  std::unique_ptr<TAboutWin> about;
  std::unique_ptr<THasloWin> haslo;
  std::unique_ptr<TUzytkownikWin> uzytkownik;
  std::unique_ptr<TPobierzWin> pobierz;
  std::unique_ptr<qtkit::TerminationSignals> terminationSignals;
  // Runs after SIGTERM or SIGHUP ended the session (a running recording written, the port
  // closed). By default the program then ends by that signal, whatever loop or message box
  // it is in; a test puts something harmless here.
  std::function<void(int signal)> afterTermination = endBySignal;
  static void endBySignal(int signal);

  Program();
  ~Program();
};

// Creates the lasting windows and runs the start-up. `earlyProblems` (settings problems
// found before any window existed) are shown once the main window stands; `mainWindowMade`
// runs right after the main window is constructed (the real dialogs take it as parent).
// Returns null when the first-run preferences were closed without OK: the program ends.
std::unique_ptr<Program> startProgram(qtkit::SettingsStore& store, qtkit::Dialogs& dialogs,
                                      const QStringList& earlyProblems,
                                      const std::function<void(TMainWin&)>& mainWindowMade = {});

}  // namespace app
