// The main window's menu bar and how its items are bound to the handlers.
#include "app/main_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <functional>

#include "app/chart_controls.h"
#include "app/find_instrument_win.h"
#include "app/main_win.h"
#include "link/remote_control.h"
#include "measurement/wykres.h"
#include "qtkit/widget_helpers.h"

namespace app {

QMenu* MainMenu::remoteMenu(const QString& name) const {
  const auto it = remoteMenus.find(name);
  return it == remoteMenus.end() ? nullptr : it->second;
}

QAction* MainMenu::remoteItem(const QString& name) const {
  const auto it = remoteItems.find(name);
  return it == remoteItems.end() ? nullptr : it->second;
}

void TMainWin::createMenus() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  bar->setObjectName(QStringLiteral("MainMenu1"));
  MainMenu& m = menu_;

  // The menus have no parent widget: a QMenu that is a child of the window would follow the
  // window's enabling (disabled during the splash) and carry it into its menu item, which
  // would then lose its own state (e.g. the remote-control menu, enabled only while
  // connected). The window owns them itself; their items are the window's children.
  auto menu = [&m](const char* name, const QString& title) {
    auto* menu = qtkit::named(new QMenu(title), name);
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    m.owned.emplace_back(menu);
    return menu;
  };
  auto item = [this](QMenu* menu, const char* name, const QString& text,
                     std::function<void()> handler, const QKeySequence& shortcut = {}) {
    auto* a = qtkit::named(new QAction(text, this), name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    menu->addAction(a);
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return a;
  };
  // Check marks belong to the handlers, as the menu items of the form do not check
  // themselves: the toggle Qt makes before `triggered` is taken back first.
  auto checkItem = [this](QMenu* menu, const char* name, const QString& text,
                          std::function<void()> handler, bool checked) {
    auto* a = qtkit::named(new QAction(text, this), name);
    a->setCheckable(true);
    a->setChecked(checked);
    menu->addAction(a);
    connect(a, &QAction::triggered, this, [a, handler = std::move(handler)](bool now) {
      a->setChecked(!now);
      handler();
    });
    return a;
  };
  auto hook = [](const std::function<void()>& fn) {
    return [&fn] {
      if (fn) fn();
    };
  };

  m.Plik1 = menu("Plik1", QStringLiteral("&Plik"));
  bar->addMenu(m.Plik1);
  m.Otwrz1 = item(
      m.Plik1, "Otwrz1", QStringLiteral("&Otwórz plik..."), [this] { Otwrz1Click(); },
      QKeySequence(Qt::CTRL | Qt::Key_O));
  m.Zapisz1 = item(
      m.Plik1, "Zapisz1", QStringLiteral("&Zapisz do pliku..."), [this] { Zapisz1Click(); },
      QKeySequence(Qt::CTRL | Qt::Key_Z));
  m.Zakoncz = item(m.Plik1, "Zakoncz", QStringLiteral("&Zakończ zapisywanie do pliku"),
                   [this] { ZakonczClick(); });
  m.Plik1->addSeparator();
  m.Pobierzwynikizurzdzenia1 = item(m.Plik1, "Pobierzwynikizurzdzenia1",
                                    QStringLiteral("Pobierz wyniki z urządzenia"),
                                    [this] { Pobierzwynikizurzdzenia1Click(); });
  m.Plik1->addSeparator();
  m.Koniec1 = item(m.Plik1, "Koniec1", QStringLiteral("&Koniec"), [this] { Koniec1Click(); });
  m.Zapisz1->setEnabled(false);
  m.Zakoncz->setEnabled(false);
  m.Pobierzwynikizurzdzenia1->setEnabled(false);

  m.Widok1 = menu("Widok1", QStringLiteral("Widok"));
  bar->addMenu(m.Widok1);
  m.Minmax1 = checkItem(
      m.Widok1, "Minmax1", QStringLiteral("Obróbka danych"), [this] { Minmax1Click(); }, true);
  m.Widok1->addSeparator();
  m.Danezurzdzenia1 = checkItem(
      m.Widok1, "Danezurzdzenia1", QStringLiteral("Dane z urządzenia"),
      [this] { Danezurzdzenia1Click(); }, true);

  m.Serwis = menu("Serwis", QStringLiteral("&Serwis"));
  bar->addMenu(m.Serwis);
  m.Zmieuytkownika1 =
      item(m.Serwis, "Zmieuytkownika1", QStringLiteral("Zmień &użytkownika..."),
           hook(showUserSettings_), QKeySequence(Qt::CTRL | Qt::Key_U));
  m.Serwis->addSeparator();
  m.Wyjdztryb1 = item(m.Serwis, "Wyjdztryb1", QStringLiteral("&Wyjdź z trybu serwisowego"),
                      [this] { LeaveServiceMode(); });
  m.Serwis->menuAction()->setVisible(false);

  m.Ustawienia = menu("Ustawienia", QStringLiteral("&Ustawienia"));
  bar->addMenu(m.Ustawienia);
  m.Poczony1 = checkItem(
      m.Ustawienia, "Poczony1", QStringLiteral("Połączony"), [this] { Poczony1Click(); }, false);
  m.Trans = menu("Trans", QStringLiteral("Parametry &transmisji"));
  m.Ustawienia->addMenu(m.Trans);
  for (int n = 1; n <= MainMenu::kComPortCount; ++n) {
    const QByteArray name = n == 5 ? QByteArray("Com51") : "COM" + QByteArray::number(n) + "1";
    m.COMs[static_cast<std::size_t>(n - 1)] = checkItem(
        m.Trans, name.constData(), QStringLiteral("COM%1").arg(n), [this, n] { COMClick(n); },
        n == 1);
    m.COMs[static_cast<std::size_t>(n - 1)]->setData(QStringLiteral("COM%1").arg(n));
  }
  connect(m.Trans, &QMenu::aboutToShow, this, [this] { describePortItems(); });
  m.Trans->addSeparator();
  m.FindInstrument1 = item(m.Trans, "FindInstrument1", QString::fromUtf8(kFindInstrumentPl.menuItem),
                           [this] { FindInstrumentClick(); });
  m.AutoReconnect1 = checkItem(
      m.Ustawienia, "AutoReconnect1", QString::fromUtf8(kConnectionTextsPl.autoReconnect),
      [this] { AutoReconnect1Click(); }, true);
  m.FormatCsv = menu("FormatCsv", QString::fromUtf8(kConnectionTextsPl.csvFormat));
  m.Ustawienia->addMenu(m.FormatCsv);
  m.CsvComma = checkItem(
      m.FormatCsv, "CsvComma", QString::fromUtf8(kConnectionTextsPl.csvComma),
      [this] { setCsvStyle(measurement::CsvStyle::Comma); }, true);
  m.CsvSemicolon = checkItem(
      m.FormatCsv, "CsvSemicolon", QString::fromUtf8(kConnectionTextsPl.csvSemicolon),
      [this] { setCsvStyle(measurement::CsvStyle::Semicolon); }, false);
  m.Ustawienia->addSeparator();
  m.Ustawieniaserwisowe1 =
      item(m.Ustawienia, "Ustawieniaserwisowe1", QStringLiteral("Tryb &serwisowy..."),
           hook(showPassword_), QKeySequence(Qt::CTRL | Qt::Key_S));
  m.Zmiejzyk1 =
      item(m.Ustawienia, "Zmiejzyk1", QStringLiteral("Zmień język"), [this] { Zmiejzyk1Click(); });
  // Ctrl+T opens the port list, as its menu item's shortcut.
  auto* transShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  connect(transShortcut, &QShortcut::activated, this, [this] {
    if (menu_.Trans->menuAction()->isEnabled())
      menu_.Trans->popup(mapToGlobal(QPoint(40, menuBar()->height())));
  });

  m.Raport1 = menu("Raport1", QStringLiteral("Raport"));
  bar->addMenu(m.Raport1);
  m.Twrzraport1 =
      item(m.Raport1, "Twrzraport1", QStringLiteral("Twórz raport"), hook(createReport_));

  // The remote-control menu, from its tables: a submenu is made and put in its place when
  // its first item (or first submenu) needs it, so the item table gives the order.
  m.Sterowanie = menu(devlink::kRemoteMenuName, QString::fromUtf8(devlink::kRemoteMenuCaption));
  bar->addMenu(m.Sterowanie);
  std::function<QMenu*(const char*)> parentMenu = [&](const char* name) -> QMenu* {
    const QString key = QString::fromLatin1(name);
    if (key == QString::fromLatin1(devlink::kRemoteMenuName)) return m.Sterowanie;
    if (QMenu* made = m.remoteMenu(key)) return made;
    for (const devlink::RemoteSubmenu& sub : devlink::kRemoteSubmenus) {
      if (key != QString::fromLatin1(sub.name)) continue;
      QMenu* parent = parentMenu(sub.parent);
      QMenu* submenu = menu(sub.name, QString::fromUtf8(sub.caption));
      parent->addMenu(submenu);
      m.remoteMenus[key] = submenu;
      return submenu;
    }
    return nullptr;
  };
  for (const devlink::RemoteItem& r : devlink::kRemoteItems) {
    std::function<void()> handler;
    switch (r.effect) {
      case devlink::RemoteEffect::PolishCaptions:
        handler = [this] { Polski1Click(); };
        break;
      case devlink::RemoteEffect::EnglishCaptions:
        handler = [this] { Angielski1Click(); };
        break;
      default:
        handler = [this, r] {
          sendRemoteCommand(r.letter, r.a, r.effect == devlink::RemoteEffect::ClearsChart);
        };
    }
    m.remoteItems[QString::fromLatin1(r.name)] =
        item(parentMenu(r.parent), r.name, QString::fromUtf8(r.caption), std::move(handler));
  }
  m.Sterowanie->menuAction()->setEnabled(false);

  m.Pomoc1 = menu("Pomoc1", QStringLiteral("P&omoc"));
  bar->addMenu(m.Pomoc1);
  m.OProgramie1 = item(
      m.Pomoc1, "OProgramie1", QStringLiteral("&O Programie"), [this] { OProgramie1Click(); },
      QKeySequence(Qt::Key_F1));
}

void TMainWin::sendRemoteCommand(char letter, std::uint8_t a, bool clearsChart) {
  instrument_.send(letter, a, 0);
  if (clearsChart) chart_->Wykres1->Clear();
}

}  // namespace app
