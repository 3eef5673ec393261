#pragma once
// The main window's menu bar: its menus and items, named as in the form. The remote-control
// menu "Sterowanie przyrzadem" is built from the table in link/remote_control.h; its
// submenus and items are found by their object names.
#include <QMenu>
#include <QString>
#include <array>
#include <map>
#include <memory>
#include <vector>

class QAction;

namespace app {

struct MainMenu {
  static constexpr int kComPortCount = 20;

  QMenu* Plik1 = nullptr;
  QAction* Otwrz1 = nullptr;
  QAction* Zapisz1 = nullptr;
  QAction* Zakoncz = nullptr;
  QAction* Pobierzwynikizurzdzenia1 = nullptr;
  QAction* Koniec1 = nullptr;
  QMenu* Widok1 = nullptr;
  QAction* Minmax1 = nullptr;
  QAction* Danezurzdzenia1 = nullptr;
  QMenu* Serwis = nullptr;
  QAction* Zmieuytkownika1 = nullptr;
  QAction* Wyjdztryb1 = nullptr;
  QMenu* Ustawienia = nullptr;
  QAction* Poczony1 = nullptr;
  QAction* AutoReconnect1 = nullptr;
  QMenu* FormatCsv = nullptr;
  QAction* CsvComma = nullptr;
  QAction* CsvSemicolon = nullptr;
  QMenu* Trans = nullptr;
  std::array<QAction*, kComPortCount> COMs{};  // COM11 … COM201 (COM5: Com51)
  QAction* FindInstrument1 = nullptr;          // after the port names
  QAction* Ustawieniaserwisowe1 = nullptr;
  QAction* Zmiejzyk1 = nullptr;
  QMenu* Raport1 = nullptr;
  QAction* Twrzraport1 = nullptr;
  QMenu* Sterowanie = nullptr;
  QMenu* Pomoc1 = nullptr;
  QAction* OProgramie1 = nullptr;

  // A submenu or an item of the remote-control menu by its object name (null when none).
  QMenu* remoteMenu(const QString& name) const;
  QAction* remoteItem(const QString& name) const;

  std::map<QString, QMenu*> remoteMenus;
  std::map<QString, QAction*> remoteItems;
  // The menus have no parent widget (see createMenus); the window owns them here.
  std::vector<std::unique_ptr<QMenu>> owned;
};

}  // namespace app
