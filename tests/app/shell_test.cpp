// The preferences dialog and the about box, driven like a user would drive them,
// checked by what they show and what they leave in the settings store.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/about_win.h"
#include "app/globals.h"
#include "app/preferences.h"
#include "qtkit/settings_file.h"
#include "qtkit/settings_store.h"

namespace {

using app::TAboutWin;
using app::TPreferences;
using qtkit::SettingsStore;
namespace keys = qtkit::keys;

// Types any text (keyClicks handles ASCII only).
void typeText(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

// Every test starts as a fresh run of the program.
class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    app::LanguageCode.clear();
    app::FirstRunEntry = false;
  }
  void TearDown() override {
    app::LanguageCode.clear();
    app::FirstRunEntry = false;
  }

  static void storeUser(SettingsStore& s, const std::string& lng) {
    s.writeString(keys::kProduct, keys::kLng, lng);
    s.writeString(keys::kProduct, keys::kName, "Anna Nowak");
    s.writeString(keys::kProduct, keys::kCompany, "Magnetyka Sp. z o.o.");
  }
};

// ---- preferences ---------------------------------------------------------------

TEST_F(Shell, PreferencesFirstRunRecordsUserAndChosenLanguage) {
  QTemporaryDir dir;
  SettingsStore store((dir.path() + "/halvex22.json").toStdString(), qtkit::settingsFileReader());
  TPreferences dlg(store, nullptr);

  EXPECT_EQ(dlg.windowTitle(), "Preferences");
  EXPECT_EQ(dlg.size(), QSize(337, 258));
  EXPECT_EQ(dlg.GroupBox1->title(), "Język / Language / Lingua");
  EXPECT_EQ(dlg.cbJezyk->currentText(), "Polski");
  EXPECT_EQ(dlg.cbJezyk->count(), 3);
  EXPECT_TRUE(app::FirstRunEntry);
  for (QWidget* w : {static_cast<QWidget*>(dlg.edFirma), static_cast<QWidget*>(dlg.edImie),
                     static_cast<QWidget*>(dlg.lbFirma), static_cast<QWidget*>(dlg.lbImie)}) {
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  }
  EXPECT_EQ(dlg.edFirma->text(), "");
  EXPECT_EQ(dlg.edImie->text(), "");
  EXPECT_EQ(dlg.lbImie->text(), QString::fromUtf16(u"Imi\u0119 i nazwisko"));

  dlg.show();
  dlg.cbJezyk->setCurrentIndex(1);  // from code: labels keep their Polish texts
  EXPECT_EQ(dlg.lbFirma->text(), "Firma");
  typeText(dlg.edImie, "Łukasz Żółć");
  typeText(dlg.edFirma, "Vantorel");
  QTest::mouseClick(dlg.Button1, Qt::LeftButton);

  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  SettingsStore reread((dir.path() + "/halvex22.json").toStdString(), qtkit::settingsFileReader());
  EXPECT_EQ(reread.readString(keys::kProduct, keys::kLng), "en");
  EXPECT_EQ(reread.readString(keys::kProduct, keys::kName), "Łukasz Żółć");
  EXPECT_EQ(reread.readString(keys::kProduct, keys::kCompany), "Vantorel");
  EXPECT_FALSE(reread.readBool(keys::kProduct, keys::kService));
}

TEST_F(Shell, PreferencesLaterRunShowsStoredUserGreyedAndWritesOnlyTheLanguage) {
  SettingsStore store;
  storeUser(store, "en");
  TPreferences dlg(store, nullptr);

  EXPECT_FALSE(app::FirstRunEntry);
  EXPECT_EQ(app::LanguageCode, "en");
  EXPECT_EQ(dlg.cbJezyk->currentText(), "English");
  EXPECT_EQ(dlg.edFirma->text(), "Magnetyka Sp. z o.o.");
  EXPECT_EQ(dlg.edImie->text(), "Anna Nowak");
  EXPECT_FALSE(dlg.edFirma->isEnabled());
  EXPECT_FALSE(dlg.edImie->isEnabled());
  EXPECT_FALSE(dlg.lbFirma->isEnabled());

  store.writeString(keys::kProduct, keys::kName, "changed meanwhile");
  dlg.cbJezyk->setCurrentIndex(2);
  dlg.Button1Click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(store.readString(keys::kProduct, keys::kLng), "it");
  EXPECT_EQ(store.readString(keys::kProduct, keys::kName), "changed meanwhile");
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kService));
}

// A long name or company shows from its beginning when the dialog opens.
TEST_F(Shell, PreferencesShowTheStartOfLongTexts) {
  SettingsStore store;
  storeUser(store, "pl");
  const QString company = QString::fromUtf8(
      "Przedsiębiorstwo Usług Pomiarowych i Kalibracji Aparatury Elektromagnetycznej Sp. z o.o.");
  const QString name = QString::fromUtf8("Konstanty Ildefons Gałczyński-Wierzbicki-Zakrzewski");
  store.writeString(keys::kProduct, keys::kCompany, company.toStdString());
  store.writeString(keys::kProduct, keys::kName, name.toStdString());
  TPreferences dlg(store, nullptr);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  for (QLineEdit* field : {dlg.edFirma, dlg.edImie}) {
    SCOPED_TRACE(field->objectName().toStdString());
    EXPECT_GT(field->fontMetrics().horizontalAdvance(field->text()), field->width());
    EXPECT_EQ(field->cursorPosition(), 0);
    EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 10)
        << "the text's first letter is in sight";
  }
  EXPECT_EQ(dlg.edFirma->text(), company);
  EXPECT_EQ(dlg.edImie->text(), name);
}

TEST_F(Shell, PreferencesSelectTheStoredLanguage) {
  const std::pair<std::string, QString> rows[] = {{"pl", "Polski"},
                                                  {"en", "English"},
                                                  {"it", "Italiano"},
                                                  {"xx", "Italiano"},
                                                  {"", "Italiano"}};
  for (const auto& [lng, item] : rows) {
    SettingsStore store;
    storeUser(store, lng);
    TPreferences dlg(store, nullptr);
    EXPECT_EQ(dlg.cbJezyk->currentText(), item) << lng;
    EXPECT_EQ(dlg.lbFirma->text(), "Firma") << "labels stay Polish until the user picks";
  }
}

TEST_F(Shell, PreferencesClosedWithTheCloseBoxWriteNothing) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/halvex22.json";
  SettingsStore store(path.toStdString(), qtkit::settingsFileReader());
  TPreferences dlg(store, nullptr);
  dlg.show();
  QTest::keyClicks(dlg.edImie, "Jan");
  dlg.cbJezyk->setCurrentIndex(1);
  dlg.close();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kLng));
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kName));
  EXPECT_FALSE(QFile::exists(path)) << "not even an empty key is saved";
}

TEST_F(Shell, PreferencesLanguageListSwitchesTheLabels) {
  SettingsStore store;
  TPreferences dlg(store, nullptr);
  dlg.show();
  dlg.cbJezyk->setFocus();
  struct Step {
    Qt::Key key;
    const char* firma;
    const char* imie;
  };
  const Step steps[] = {{Qt::Key_Down, "Company", "Name and surname"},
                        {Qt::Key_Down, "Ditta", "Nome e cognome"},
                        {Qt::Key_Up, "Company", "Name and surname"},
                        {Qt::Key_Up, "Firma", "Imię i nazwisko"}};
  for (const Step& s : steps) {
    QTest::keyClick(dlg.cbJezyk, s.key);
    EXPECT_EQ(dlg.lbFirma->text(), QString::fromUtf8(s.firma));
    EXPECT_EQ(dlg.lbImie->text(), QString::fromUtf8(s.imie));
  }
}

TEST_F(Shell, PreferencesOkRepeatsTheFirstRunEntryWithinTheSameRun) {
  SettingsStore store;
  {
    TPreferences first(store, nullptr);
    first.edImie->setText("Anna");
    first.edFirma->setText("Firma A");
    first.Button1Click();
  }
  store.writeBool(keys::kProduct, keys::kService, true);  // e.g. set meanwhile
  TPreferences second(store, nullptr);
  EXPECT_FALSE(second.edImie->isEnabled()) << "the settings are present now";
  EXPECT_EQ(second.edImie->text(), "Anna");
  second.Button1Click();
  EXPECT_FALSE(store.readBool(keys::kProduct, keys::kService));
  EXPECT_EQ(store.readString(keys::kProduct, keys::kName), "Anna");
}

TEST_F(Shell, PreferencesReportAValueOfTheWrongType) {
  SettingsStore store;
  store.writeBool(keys::kProduct, keys::kLng, true);
  QStringList errors;
  TPreferences dlg(store, nullptr, [&](const QString& e) { errors << e; });
  EXPECT_EQ(errors, QStringList{"Invalid data type for 'lng'"});
  EXPECT_EQ(dlg.cbJezyk->currentIndex(), 0);
}

// ---- about box -----------------------------------------------------------------

struct AboutRun {
  QWidget mainWindow;
  int serviceCalls = 0;
  QStringList errors;

  AboutRun() {
    mainWindow.resize(200, 100);
    mainWindow.show();
  }
  std::unique_ptr<TAboutWin> create(SettingsStore& store) {
    return std::make_unique<TAboutWin>(
        store, &mainWindow, [this] { ++serviceCalls; }, [this](const QString& e) { errors << e; });
  }
};

TEST_F(Shell, AboutBoxLooksAsDesignedAndSplashesForFiveSeconds) {
  SettingsStore store;
  storeUser(store, "pl");
  store.writeBool(keys::kProduct, keys::kService, false);
  app::LanguageCode = "pl";
  AboutRun run;
  auto about = run.create(store);

  EXPECT_TRUE(about->isVisible());
  EXPECT_FALSE(run.mainWindow.isEnabled());
  EXPECT_EQ(about->size(), QSize(507, 328));
  EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(about->palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(about->Panel1->geometry(), QRect(2, 2, 503, 324));
  EXPECT_EQ(about->Panel1->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(about->Image2->geometry(), QRect(60, 36, 85, 245));
  EXPECT_FALSE(about->Image2->pixmap().isNull());
  EXPECT_EQ(about->Label5->text(), "HALVEX 25.3.10");
  // Font sizes are line heights: 35 px for the title, 24 px for the instrument line,
  // so the title ends where the instrument line (at y = 64) begins.
  const int titleLine = QFontMetrics(about->Label5->font()).height();
  EXPECT_LE(titleLine, 35);
  EXPECT_GE(titleLine, 30);
  EXPECT_EQ(about->Label5->pos(), QPoint(214, 36));
  EXPECT_LE(about->Label5->y() + QFontMetrics(about->Label5->font()).ascent(), 36 + 35);
  EXPECT_LE(QFontMetrics(about->_uiPl->font()).height(), 24);
  EXPECT_GE(QFontMetrics(about->_uiPl->font()).height(), 20);
  EXPECT_EQ(about->Label1->text(), "Anna Nowak");
  EXPECT_EQ(about->Label2->text(), "Magnetyka Sp. z o.o.");
  EXPECT_EQ(about->Label1->pos(), QPoint(222, 164));
  EXPECT_TRUE(about->Label1->font().bold());
  EXPECT_EQ(about->Label4->palette().color(QPalette::WindowText), QColor(128, 128, 128));
  EXPECT_TRUE(about->Label3->isHidden());
  EXPECT_EQ(about->Label3->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(run.serviceCalls, 0);
  EXPECT_TRUE(about->Timer1->isActive());
  EXPECT_EQ(about->Timer1->interval(), 5000);
  EXPECT_TRUE(run.errors.isEmpty());

  about->setTimerInterval(30);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !about->isVisible(); }, 3000));
  EXPECT_TRUE(run.mainWindow.isEnabled());
  EXPECT_FALSE(about->Timer1->isActive());
}

// A name or company too long for the box is cut with "…" inside it and shown whole as a
// hint; one that fits is shown as it is.
TEST_F(Shell, AboutBoxCutsALongLicenseeInsideTheBox) {
  SettingsStore store;
  storeUser(store, "pl");
  const QString company = QString::fromUtf8(
      "Przedsiębiorstwo Usług Pomiarowych i Kalibracji Aparatury Elektromagnetycznej Sp. z o.o.");
  store.writeString(keys::kProduct, keys::kCompany, company.toStdString());
  store.writeBool(keys::kProduct, keys::kService, false);
  app::LanguageCode = "pl";
  AboutRun run;
  auto about = run.create(store);

  const QLabel* long_ = about->Label2;
  EXPECT_TRUE(long_->text().endsWith(QChar(0x2026))) << long_->text().toStdString();
  EXPECT_TRUE(company.startsWith(long_->text().chopped(1)));
  EXPECT_EQ(long_->toolTip(), company);
  EXPECT_EQ(long_->pos(), QPoint(222, 180));
  EXPECT_LT(long_->geometry().right(), about->Panel1->width());
  EXPECT_LE(long_->fontMetrics().horizontalAdvance(long_->text()), long_->width());

  EXPECT_EQ(about->Label1->text(), "Anna Nowak");
  EXPECT_TRUE(about->Label1->toolTip().isEmpty());
}

TEST_F(Shell, AboutBoxTextsFollowTheLanguage) {
  struct Row {
    std::string lng;
    const char* label3;
    const char* label4;
    bool pl, en, it;
  };
  const Row rows[] = {
      {"pl", "TRYB SERWISOWY", "Licencja dla:", true, false, false},
      {"en", "SERVICE MODE", "Licensed to:", false, true, false},
      {"it", "Modalita di sevizio", "Concesso a:", false, false, true},
      {"xx", "Modalita di sevizio", "Concesso a:", false, false, false},
  };
  int label3Right = -1;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.lng);
    SettingsStore store;
    storeUser(store, r.lng);
    store.writeBool(keys::kProduct, keys::kService, true);
    app::LanguageCode = r.lng;
    AboutRun run;
    auto about = run.create(store);
    EXPECT_EQ(about->Label3->text(), QString::fromUtf8(r.label3));
    EXPECT_EQ(about->Label4->text(), QString::fromUtf8(r.label4));
    EXPECT_EQ(!about->_uiPl->isHidden(), r.pl);
    EXPECT_EQ(!about->_uiEn->isHidden(), r.en);
    EXPECT_EQ(!about->_uiIt->isHidden(), r.it);
    EXPECT_EQ(about->_uiPl->text() + about->_uiEn->text() + about->_uiIt->text(),
              "Sterowanie LT-40Remote Control of LT-40Controllo LT-40");
    // Right-justified: the notice ends at the same place whatever its length.
    const int right = about->Label3->geometry().right();
    if (label3Right >= 0) {
      EXPECT_EQ(right, label3Right);
    }
    label3Right = right;
  }
}

TEST_F(Shell, AboutBoxEntersServiceModeWhenTheSettingsSaySo) {
  SettingsStore store;
  storeUser(store, "en");
  store.writeBool(keys::kProduct, keys::kService, true);
  app::LanguageCode = "en";
  AboutRun run;
  auto about = run.create(store);
  EXPECT_FALSE(about->Label3->isHidden());
  EXPECT_EQ(about->Label3->text(), "SERVICE MODE");
  EXPECT_EQ(run.serviceCalls, 1);
  EXPECT_FALSE(run.mainWindow.isEnabled());
}

TEST_F(Shell, AboutBoxWithoutServiceValueReportsItAndStillEndsTheSplash) {
  for (bool withKey : {true, false}) {
    SCOPED_TRACE(withKey ? "key without service" : "no product key");
    SettingsStore store;
    if (withKey) storeUser(store, "pl");
    app::LanguageCode = "pl";
    AboutRun run;
    auto about = run.create(store);
    EXPECT_EQ(run.errors, QStringList{"Failed to get data for 'service'"});
    EXPECT_EQ(run.serviceCalls, 0);
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(about->_uiPl->isHidden()) << "ShowAbout was skipped";
    EXPECT_TRUE(about->Timer1->isActive());
    EXPECT_EQ(store.keyExists(keys::kProduct), withKey) << "opened without creating";

    run.mainWindow.setEnabled(false);  // as the main window starts
    about->setTimerInterval(30);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !about->isVisible(); }, 3000));
    EXPECT_TRUE(run.mainWindow.isEnabled());
  }
}

TEST_F(Shell, AboutBoxClosesOnAClickOnPictureOrTextsAndShowsAgainFromTheMenu) {
  SettingsStore store;
  storeUser(store, "pl");
  store.writeBool(keys::kProduct, keys::kService, true);
  app::LanguageCode = "pl";
  AboutRun run;
  auto about = run.create(store);

  // Title, instrument line and bare panel do nothing.
  for (QWidget* w :
       {static_cast<QWidget*>(about->Label5), static_cast<QWidget*>(about->_uiPl), about->Panel1}) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(about->isVisible()) << w->objectName().toStdString();
  }

  for (QWidget* w : {static_cast<QWidget*>(about->Image2), static_cast<QWidget*>(about->Label1),
                     static_cast<QWidget*>(about->Label2), static_cast<QWidget*>(about->Label3),
                     static_cast<QWidget*>(about->Label4)}) {
    SCOPED_TRACE(w->objectName().toStdString());
    about->ShowAbout();
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(run.mainWindow.isEnabled());
    EXPECT_TRUE(about->Timer1->isActive());
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(run.mainWindow.isEnabled());
    EXPECT_FALSE(about->Timer1->isActive());
  }

  // A language change shows at the next ShowAbout; an unknown code keeps the line.
  app::LanguageCode = "en";
  about->ShowAbout();
  EXPECT_EQ(about->Label4->text(), "Licensed to:");
  EXPECT_FALSE(about->_uiEn->isHidden());
  EXPECT_TRUE(about->_uiPl->isHidden());
  about->Timer1Timer();
  app::LanguageCode = "xx";
  about->ShowAbout();
  EXPECT_EQ(about->Label4->text(), "Concesso a:");
  EXPECT_FALSE(about->_uiEn->isHidden());
  EXPECT_EQ(run.serviceCalls, 1) << "service mode is entered at creation only";
}

}  // namespace
