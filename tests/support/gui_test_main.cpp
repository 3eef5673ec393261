// Test entry of every window test binary: an offscreen QApplication, with the settings,
// the port links, the data folder and the recording journals in temporary folders, never the user's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir configHome;
  QTemporaryDir dataHome;
  QTemporaryDir stateHome;
  qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
  qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
  qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
