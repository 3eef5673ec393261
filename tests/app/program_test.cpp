// The program's start-up as main() runs it: the lasting windows in their order, the
// splash, the service flag, and every settings problem reported once.
#include "app/program.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_win.h"
#include "app/globals.h"
#include "app/haslo_win.h"
#include "app/preferences.h"
#include "app/uzytkownik_win.h"
#include "calibration/calibration_grid.h"
#include "tests/support/window_env.h"
#include "qtkit/toolkit_translations.h"

namespace {

using testutil::WindowEnv;
namespace keys = qtkit::keys;

struct StartUpCase {
  const char* name;
  std::optional<std::uint32_t> service;  // the stored flag, none: not stored
  bool lngOfTheWrongType;
  QStringList messages;
  bool serviceMode;
};

class ProgramStartUp : public ::testing::TestWithParam<StartUpCase> {};

TEST_P(ProgramStartUp, WindowsInOrderSplashServiceFlagAndEachMessageOnce) {
  const StartUpCase& c = GetParam();
  WindowEnv env;
  if (c.lngOfTheWrongType) {
    env.store.writeRaw(keys::kProduct, keys::kLng, std::uint32_t{1});
  } else {
    env.store.writeString(keys::kProduct, keys::kLng, "en");
  }
  env.store.writeString(keys::kProduct, keys::kName, "Jan");
  if (c.service) env.store.writeRaw(keys::kProduct, keys::kService, *c.service);

  bool madeBeforeStartUp = false;
  const auto program = app::startProgram(env.store, env.dialogs, {"early problem"},
                                         [&](app::TMainWin& w) { madeBeforeStartUp = !w.isVisible(); });
  ASSERT_TRUE(program);
  EXPECT_TRUE(madeBeforeStartUp);
  app::TMainWin& w = *program->mainWin;
  app::TAboutWin& about = *program->about;

  QStringList expected{"early problem"};
  expected << c.messages;
  EXPECT_EQ(env.dialogs.messages, expected);
  // The about box was made after the main window had read the language.
  EXPECT_EQ(about.Label3->text(), c.lngOfTheWrongType ? "Modalita di sevizio" : "SERVICE MODE");
  EXPECT_EQ(about.Label1->text(), "Jan");
  EXPECT_TRUE(about.isVisible());
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isEnabled());
  EXPECT_EQ(w.menu().Serwis->menuAction()->isVisible(), c.serviceMode);
  EXPECT_EQ(about.Label3->isVisible(), c.serviceMode);

  about.Timer1Timer();  // the splash ends
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(w.isEnabled());
  EXPECT_EQ(env.dialogs.messages, expected) << "nothing is reported again";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramStartUp,
    ::testing::Values(
        StartUpCase{"NoServiceValue", std::nullopt, false, {"Failed to get data for 'service'"}, false},
        StartUpCase{"ServiceOn", 1u, false, {}, true}, StartUpCase{"ServiceOff", 0u, false, {}, false},
        StartUpCase{"WrongTypedLanguage", 0u, true, {"Invalid data type for 'lng'"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramStartUp, FirstRunClosedWithoutOkEndsBeforeTheAboutBox) {
  WindowEnv env;
  // No settings: the preferences dialog would be shown; it is closed at once.
  QTimer::singleShot(0, [] {
    if (QWidget* d = QApplication::activeModalWidget()) d->close();
  });
  EXPECT_FALSE(app::startProgram(env.store, env.dialogs, {}));
}

}  // namespace

namespace {

// The program as a technician uses it: the password typed in lower case, the panel shown,
// a calibration file saved and opened again, the user details stored, service mode left.
TEST(ProgramService, PasswordPanelCalibrationFileAndUserDetails) {
  WindowEnv env;
  env.store.writeString(keys::kProduct, keys::kLng, "pl");
  env.store.writeRaw(keys::kProduct, keys::kService, std::uint32_t{0});
  const auto program = app::startProgram(env.store, env.dialogs, {});
  ASSERT_TRUE(program);
  app::TMainWin& w = *program->mainWin;
  program->about->Timer1Timer();

  w.menu().Ustawieniaserwisowe1->trigger();
  ASSERT_TRUE(program->haslo->isVisible());
  EXPECT_FALSE(w.isEnabled());
  QTest::keyClicks(program->haslo->TekstHaslo, "plektor");
  QTest::keyClick(program->haslo->TekstHaslo, Qt::Key_Return);
  EXPECT_FALSE(program->haslo->isVisible());
  EXPECT_TRUE(w.isEnabled());
  EXPECT_TRUE(w.menu().Serwis->menuAction()->isVisible());
  EXPECT_TRUE(w.calibrationPanel().isVisibleTo(&w));

  // Typed into the panel, saved, spoilt, opened again.
  calibration::CalibrationPanel& p = w.calibrationPanel();
  p.X->item(1, 1)->setText("0,5");
  p.S_Faza->item(3, 1)->setText("12");                        // phase of Z
  program->session->calibration().setCell(calibration::Grid::S_Faza, 1, 4, "7");  // the hidden fourth phase
  QTest::keyClicks(p.Wtemp, "-1234");
  const QString file = env.path("probe.HVC");
  env.dialogs.fileAnswers = {file, file};
  p.Zapisz->click();
  EXPECT_EQ(testutil::fileLines(file).size(), 58u);
  p.X->item(1, 1)->setText("1");
  p.S_Faza->item(3, 1)->setText("");
  program->session->calibration().setCell(calibration::Grid::S_Faza, 1, 4, "");
  p.Wtemp->clear();
  p.Otworz->click();
  EXPECT_EQ(p.X->item(1, 1)->text(), "0,5");
  EXPECT_EQ(program->session->calibration().cell(calibration::Grid::X, 1, 1), "0,5");
  EXPECT_EQ(p.S_Faza->item(3, 1)->text(), "12");
  EXPECT_EQ(program->session->calibration().cell(calibration::Grid::S_Faza, 1, 4), "7");
  EXPECT_EQ(p.Wtemp->text(), "-1234");
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();

  w.menu().Zmieuytkownika1->trigger();
  ASSERT_TRUE(program->uzytkownik->isVisible());
  EXPECT_EQ(env.dialogs.messages, QStringList{"Failed to get data for 'service'"});
  program->uzytkownik->Nazwa->setText("Serwis Kraków");
  program->uzytkownik->OKClick();
  EXPECT_TRUE(w.isEnabled());
  EXPECT_EQ(env.store.readString(keys::kMaker, keys::kName), "Serwis Kraków");

  w.menu().Wyjdztryb1->trigger();
  EXPECT_FALSE(w.menu().Serwis->menuAction()->isVisible());
  EXPECT_FALSE(w.calibrationPanel().isVisibleTo(&w));
}

}  // namespace

namespace {

// Qt's own texts (here the "Yes" of the close question) follow the language of the main
// window: at start-up, through the instrument's language items and through "Zmień język";
// they are Qt's English again once the program has gone.
TEST(ProgramLanguage, QtsOwnTextsFollowTheWindowsLanguage) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* code : {"pl", "en", "it"})
    if (!QFile::exists(folder + "/qtbase_" + code + ".qm"))
      GTEST_SKIP() << "Qt's catalogues are not installed (qt6-translations-l10n)";
  auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };

  {
    WindowEnv env;
    env.store.writeString(keys::kProduct, keys::kLng, "pl");
    env.store.writeRaw(keys::kProduct, keys::kService, std::uint32_t{0});
    const auto program = app::startProgram(env.store, env.dialogs, {});
    ASSERT_TRUE(program);
    app::TMainWin& w = *program->mainWin;
    program->about->Timer1Timer();
    EXPECT_EQ(yes(), QString::fromUtf8("&Tak"));

    w.menu().remoteItem("Angielski1")->trigger();  // the port is closed: reported, switched
    EXPECT_EQ(yes(), "&Yes");
    w.menu().remoteItem("Polski1")->trigger();
    EXPECT_EQ(yes(), QString::fromUtf8("&Tak"));

    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<app::TPreferences*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->cbJezyk->setCurrentIndex(2);
      dialog->Button1->click();
    });
    w.menu().Zmiejzyk1->trigger();
    EXPECT_EQ(w.menu().Plik1->title(), "&File");
    EXPECT_EQ(yes(), QString::fromUtf8("&Sì"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annulla");
  }
  EXPECT_EQ(yes(), "&Yes");
}

// A language without Qt's catalogue (here a made-up one) leaves Qt's texts in English, also
// right after a language that had one.
TEST(ProgramLanguage, WithoutACatalogueQtsTextsAreEnglish) {
  auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
  qtkit::ToolkitTranslations translations;
  EXPECT_FALSE(translations.setLanguage("xx"));
  EXPECT_EQ(yes(), "&Yes");
  const bool polish = translations.setLanguage("pl");
  EXPECT_EQ(yes(), polish ? QString::fromUtf8("&Tak") : QString("&Yes"));
  EXPECT_FALSE(translations.setLanguage("xx"));
  EXPECT_EQ(yes(), "&Yes");
}

}  // namespace
