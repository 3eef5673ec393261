// The password and user settings windows: the password typed as a technician types it, the
// language tables, the user values under the maker key, and the main window enabled again
// however a window is closed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>
#include <string>

#include "app/globals.h"
#include "app/haslo_win.h"
#include "app/uzytkownik_win.h"
#include "qtkit/settings_store.h"

namespace {

namespace keys = qtkit::keys;

// The ways to leave a window without confirming it.
const std::pair<const char*, std::function<void(QDialog&, QPushButton& anuluj)>> kDismissals[] = {
    {"Anuluj", [](QDialog&, QPushButton& b) { QTest::mouseClick(&b, Qt::LeftButton); }},
    {"Escape", [](QDialog& w, QPushButton&) { QTest::keyClick(&w, Qt::Key_Escape); }},
    {"close box", [](QDialog& w, QPushButton&) { w.close(); }},
};

void expectFixedCentredOnTop(const QDialog& win, QSize client) {
  EXPECT_EQ(win.minimumSize(), client);
  EXPECT_EQ(win.maximumSize(), client);
  EXPECT_TRUE(win.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(win.parent(), nullptr) << "disabling the main window must not disable it";
  const QRect frame = win.frameGeometry();
  const int margins = frame.width() - win.width() + frame.height() - win.height();
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((frame.center() - centre).manhattanLength(), margins + 1);
}

struct HasloWinTest : ::testing::Test {
  std::string savedLanguage = app::LanguageCode;
  QWidget mainWin;
  int entries = 0;
  app::THasloWin win{&mainWin, [this] { ++entries; }};

  void SetUp() override {
    app::LanguageCode = "pl";
    mainWin.show();
  }
  void TearDown() override { app::LanguageCode = savedLanguage; }
};

TEST_F(HasloWinTest, LayoutAndTheLanguageTableOfEachShowing) {
  struct Row {
    const char* code;
    const char* label;
    const char* cancel;
    const char* caption;
  };
  const char* en = "Please write a password to enter to the service mode";
  const Row rows[] = {
      {"pl", "Aby przejść w stan serwisowy musisz podać hasło:", "Anuluj", "Hasło"},
      {"en", en, "Cancel", "Password"},
      {"it", en, "Cancel", "Password"},
      {"", en, "Cancel", "Password"},
  };
  for (const Row& row : rows) {
    app::LanguageCode = row.code;
    win.showCentred();
    EXPECT_EQ(win.Label1->text(), QString::fromUtf8(row.label)) << row.code;
    EXPECT_EQ(win.Anuluj->text(), QString::fromUtf8(row.cancel)) << row.code;
    EXPECT_EQ(win.windowTitle(), QString::fromUtf8(row.caption)) << row.code;
    EXPECT_EQ(win.OK->text(), QStringLiteral("OK"));
    EXPECT_FALSE(mainWin.isEnabled());
    EXPECT_EQ(win.focusWidget(), win.TekstHaslo);
    win.hide();
  }
  expectFixedCentredOnTop(win, QSize(223, 156));
  EXPECT_TRUE(win.Label1->wordWrap());
  EXPECT_EQ(win.Label1->parentWidget(), win.Panel1);
  EXPECT_EQ(win.Panel1->frameShadow(), QFrame::Raised);
}

TEST_F(HasloWinTest, ThePasswordAsTyped) {
  struct Row {
    const char* typed;
    Qt::Key enter;
    bool enters;
  };
  const Row rows[] = {
      {"plektor", Qt::Key_Return, true},   {"PLEKTOR", Qt::Key_Enter, true},
      {"PlEkToR", Qt::Key_Return, true},   {"plektor ", Qt::Key_Return, false},
      {" plektor", Qt::Key_Return, false}, {"plekto", Qt::Key_Return, false},
      {"", Qt::Key_Return, false},
  };
  for (const Row& row : rows) {
    entries = 0;
    win.showCentred();
    QTest::keyClicks(win.TekstHaslo, QString::fromLatin1(row.typed));
    QTest::keyClick(win.TekstHaslo, row.enter);
    EXPECT_EQ(entries, row.enters ? 1 : 0) << '"' << row.typed << '"';
    // Right or wrong, the window closes without a word and leaves everything usable.
    EXPECT_FALSE(win.isVisible()) << row.typed;
    EXPECT_TRUE(mainWin.isEnabled()) << row.typed;
    EXPECT_TRUE(win.TekstHaslo->text().isEmpty()) << row.typed;
  }
}

TEST_F(HasloWinTest, UpperCaseTwelveCharactersShownAsStarsPastedToo) {
  win.showCentred();
  QTest::keyClicks(win.TekstHaslo, QStringLiteral("abcdefghijklmnop"));
  EXPECT_EQ(win.TekstHaslo->text(), QStringLiteral("ABCDEFGHIJKL"));
  EXPECT_EQ(win.TekstHaslo->displayText(), QString(12, QLatin1Char('*')));
  // A letter without a one-letter capital keeps its place rather than growing the text.
  win.TekstHaslo->clear();
  QGuiApplication::clipboard()->setText(QString::fromUtf8("plektorß"));
  QTest::keyClick(win.TekstHaslo, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(win.TekstHaslo->text(), QString::fromUtf8("PLEKTORß"));
  win.TekstHaslo->clear();
  QGuiApplication::clipboard()->setText(QStringLiteral("plektor"));
  QTest::keyClick(win.TekstHaslo, Qt::Key_V, Qt::ControlModifier);
  QTest::mouseClick(win.OK, Qt::LeftButton);
  EXPECT_EQ(entries, 1);
}

TEST_F(HasloWinTest, LeavingWithoutOkEntersNothingAndEmptiesTheEdit) {
  for (const auto& [how, leave] : kDismissals) {
    win.showCentred();
    QTest::keyClicks(win.TekstHaslo, QStringLiteral("plektor"));
    leave(win, *win.Anuluj);
    EXPECT_FALSE(win.isVisible()) << how;
    EXPECT_TRUE(mainWin.isEnabled()) << how;
    EXPECT_TRUE(win.TekstHaslo->text().isEmpty()) << how;
  }
  EXPECT_EQ(entries, 0);
}

struct UzytkownikWinTest : ::testing::Test {
  qtkit::SettingsStore store;
  QWidget mainWin;
  QStringList errors;
  app::TUzytkownikWin win{store, &mainWin, [this](const QString& text) { errors << text; }};

  void SetUp() override { mainWin.show(); }
  bool makerHasAnything() const {
    return store.valueExists(keys::kMaker, keys::kName) ||
           store.valueExists(keys::kMaker, keys::kCity) ||
           store.valueExists(keys::kMaker, keys::kService);
  }
};

TEST_F(UzytkownikWinTest, LayoutAndTexts) {
  win.showCentred();
  expectFixedCentredOnTop(win, QSize(395, 121));
  EXPECT_EQ(win.windowTitle(), QStringLiteral("Użytkownik"));
  EXPECT_EQ(win.GroupBox1->title(), QStringLiteral(" Ustawienia użytkownika "));
  EXPECT_EQ(win.Label1->text(), QStringLiteral("Nazwa:"));
  EXPECT_EQ(win.Label2->text(), QStringLiteral("Miasto:"));
  EXPECT_EQ(win.Serwisant->text(), QStringLiteral("Serwisant"));
  EXPECT_EQ(win.OK->text(), QStringLiteral("OK"));
  EXPECT_EQ(win.Anuluj->text(), QStringLiteral("Anuluj"));
  EXPECT_EQ(win.Nazwa->width(), 201);
  EXPECT_EQ(win.Miasto->width(), 153);
  EXPECT_TRUE(win.rect().contains(win.Anuluj->geometry()));
}

TEST_F(UzytkownikWinTest, FirstOpeningReportsOnceThenOkStoresAndTheNextShowsThem) {
  // The product key's values of the same names are not the user window's.
  store.writeString(keys::kProduct, keys::kName, "Licencjobiorca");
  store.writeBool(keys::kProduct, keys::kService, true);

  win.showCentred();
  EXPECT_EQ(errors, QStringList{QStringLiteral("Failed to get data for 'service'")});
  EXPECT_TRUE(win.isVisible());
  EXPECT_FALSE(mainWin.isEnabled());
  EXPECT_TRUE(win.Nazwa->text().isEmpty());
  EXPECT_TRUE(win.Miasto->text().isEmpty());
  EXPECT_FALSE(win.Serwisant->isChecked());

  // Qt Test types ASCII only: the Polish letters go in as an insertion.
  win.Nazwa->insert(QString::fromUtf8("Jan Żółć"));
  win.Miasto->insert(QString::fromUtf8("Łódź"));
  for (bool greyed : {true, false, true}) {
    QTest::mouseClick(win.Serwisant, Qt::LeftButton);
    EXPECT_EQ(win.Nazwa->isEnabled(), !greyed);
    EXPECT_EQ(win.Miasto->isEnabled(), !greyed);
  }
  QTest::keyClick(win.Miasto, Qt::Key_Return);  // as OK
  EXPECT_FALSE(win.isVisible());
  EXPECT_TRUE(mainWin.isEnabled());
  EXPECT_EQ(store.readString(keys::kMaker, keys::kName), "Jan Żółć");
  EXPECT_EQ(store.readString(keys::kMaker, keys::kCity), "Łódź");
  EXPECT_TRUE(store.readBool(keys::kMaker, keys::kService));
  EXPECT_EQ(store.readString(keys::kProduct, keys::kName), "Licencjobiorca");
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kCity));

  win.Nazwa->clear();
  win.Serwisant->setChecked(false);
  win.showCentred();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(win.Nazwa->text(), QString::fromUtf8("Jan Żółć"));
  EXPECT_EQ(win.Miasto->text(), QString::fromUtf8("Łódź"));
  EXPECT_TRUE(win.Serwisant->isChecked());
  EXPECT_FALSE(win.Nazwa->isEnabled());
  EXPECT_FALSE(win.Miasto->isEnabled());
}

TEST_F(UzytkownikWinTest, LeavingWithoutOkStoresNothing) {
  for (const auto& [how, leave] : kDismissals) {
    win.showCentred();
    QTest::keyClicks(win.Nazwa, QStringLiteral("x"));
    QTest::mouseClick(win.Serwisant, Qt::LeftButton);
    leave(win, *win.Anuluj);
    EXPECT_FALSE(win.isVisible()) << how;
    EXPECT_TRUE(mainWin.isEnabled()) << how;
    EXPECT_FALSE(makerHasAnything()) << how;
  }
  EXPECT_EQ(errors.size(), 3) << "each opening before the first OK reports once";
}

TEST_F(UzytkownikWinTest, AValueOfTheWrongTypeIsReportedOnceAndTheWindowStillShows) {
  store.writeRaw(keys::kMaker, keys::kName, qtkit::SettingsStore::Value(std::uint32_t{7}));
  store.writeBool(keys::kMaker, keys::kService, false);
  win.showCentred();
  EXPECT_EQ(errors, QStringList{QStringLiteral("Invalid data type for 'name'")});
  EXPECT_TRUE(win.isVisible());
  EXPECT_FALSE(mainWin.isEnabled());
  QTest::keyClicks(win.Nazwa, QStringLiteral("Ewa"));
  QTest::mouseClick(win.OK, Qt::LeftButton);
  EXPECT_TRUE(mainWin.isEnabled());
  EXPECT_EQ(store.readString(keys::kMaker, keys::kName), "Ewa") << "OK repairs the value";
  // Now everything reads: no message, and the cleared flag leaves the fields editable.
  win.showCentred();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_TRUE(win.Nazwa->isEnabled());
}

}  // namespace
