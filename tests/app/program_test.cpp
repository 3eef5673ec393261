// The program's start-up as main() runs it: the lasting windows in their order, the
// splash, the service flag, and every settings problem reported once.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include "app/about_win.h"
#include "app/globals.h"
#include "app/program.h"
#include "main_win_test_util.h"

namespace {

using testutil::WindowEnv;
namespace keys = app::keys;

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
