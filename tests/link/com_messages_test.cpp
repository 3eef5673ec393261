// Error texts of the port and their translation through a gettext catalogue.
#include "link/com_messages.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "link/com_port.h"
#include "link/host_serial.h"
#include "tests/support/scoped_env.h"

namespace {

using testutil::ScopedEnv;

namespace fs = std::filesystem;

// The second line of the connect message: the device and why it did not open, per language.
TEST(ComMessages, PortOpenFailureTextNamesTheDeviceAndTheReason) {
  struct Row {
    int code;
    int sysError;
    const char* language;
    const char* expected;
  };
  const Row rows[] = {
      {1, ENOENT, "pl", "/dev/ttyS6: brak takiego urządzenia"},
      {1, ENOENT, "en", "/dev/ttyS6: no such device"},
      {1, ENOENT, "it", "/dev/ttyS6: dispositivo inesistente"},
      {1, ENODEV, "en", "/dev/ttyS6: no such device"},
      {1, ENXIO, "en", "/dev/ttyS6: no such device"},
      {1, EBUSY, "pl", "/dev/ttyS6: urządzenie jest zajęte przez inny program"},
      {1, EBUSY, "en", "/dev/ttyS6: in use by another program"},
      {1, EBUSY, "it", "/dev/ttyS6: in uso da un altro programma"},
      {1, EACCES, "pl",
       "/dev/ttyS6: brak uprawnień; dodaj użytkownika do grupy \"dialout\" i zaloguj się "
       "ponownie"},
      {1, EPERM, "en",
       "/dev/ttyS6: permission denied; add the user to the \"dialout\" group and log in again"},
      {1, EACCES, "it",
       "/dev/ttyS6: permesso negato; aggiungere l'utente al gruppo \"dialout\" e accedere di "
       "nuovo"},
      {1, ENOTTY, "pl", "/dev/ttyS6: to nie jest port szeregowy"},
      {1, ENOTTY, "it", "/dev/ttyS6: non è una porta seriale"},
      {1, EIO, "pl", "/dev/ttyS6: błąd systemu nr 5 (EIO)"},
      {1, EIO, "en", "/dev/ttyS6: system error 5 (EIO)"},
      {1, EIO, "xx", "/dev/ttyS6: errore di sistema 5 (EIO)"},  // any other code: Italian
      {7, EINVAL, "pl", "/dev/ttyS6: SetCommState function failed (win error code: 22)"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(devlink::portOpenFailureText("/dev/ttyS6", r.code, r.sysError, r.language),
              r.expected)
        << r.code << " " << r.sysError << " " << r.language;
  }
}

// The device a port name stands for: links followed to the device, names as resolved.
TEST(PortDevicePath, FollowsThePortNamesLinks) {
  const fs::path folder =
      fs::temp_directory_path() / ("halvex-ports-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Vantorel/ports");
  ScopedEnv xdg("XDG_CONFIG_HOME", folder.c_str());
  fs::create_symlink("/dev/ttyUSB9", folder / "Vantorel/ports/COM3");
  fs::create_symlink("COM3", folder / "Vantorel/ports/COM4");  // a link to a link, relative
  EXPECT_EQ(devlink::portDevicePath("COM3"), "/dev/ttyUSB9");
  EXPECT_EQ(devlink::portDevicePath("COM4"), "/dev/ttyUSB9");
  EXPECT_EQ(devlink::portDevicePath("COM7"), "/dev/ttyS6");
  EXPECT_EQ(devlink::portDevicePath("/dev/ttyACM0"), "/dev/ttyACM0");
  EXPECT_EQ(devlink::portDevicePath(""), "");
  fs::remove_all(folder);
}

TEST(ComMessages, TextsAndMessageFormat) {
  const char* expected[] = {
      "Unable to open com port",
      "WriteFile function failed",
      "ReadFile function failed",
      "Invalid Async parameter",
      "PurgeComm function failed",
      "Unable to get async status",
      "SetCommState function failed",
      "SetCommTimeouts failed",
      "SetupComm function failed",
      "ClearCommError function failed",
      "GetCommModemStatus function failed",
      "EscapeCommFunction function failed",
      "TransmitCommChar function failed",
      "Cannot set property while connected",
      "EnumPorts function failed",
      "Failed to store settings",
      "Failed to load settings",
      "Link (un)registration failed",
      "Cannot change led state if ComPort is selected",
      "Cannot wait for event if event thread is created",
      "WaitForEvent method failed",
      "A component is linked to OnRxBuf event",
      "Registry error",
  };
  for (int code = 1; code <= 23; ++code) {
    SCOPED_TRACE(code);
    EXPECT_STREQ(devlink::comSourceText(code), expected[code - 1]);
    // No catalogue ships with the program: every text appears as written.
    EXPECT_EQ(devlink::comText(code), expected[code - 1]);
    const devlink::EComPort withNumber(code, 2);
    EXPECT_EQ(std::string(withNumber.what()),
              std::string(expected[code - 1]) + " (win error code: 2)");
    EXPECT_EQ(withNumber.Code, code);
    EXPECT_EQ(withNumber.WinCode, 2);
    const devlink::EComPort without(code);
    EXPECT_STREQ(without.what(), expected[code - 1]);
    EXPECT_EQ(without.WinCode, -1);
  }
  EXPECT_STREQ(devlink::comSourceText(0), "");
  EXPECT_STREQ(devlink::comSourceText(24), "");
  EXPECT_EQ(devlink::comMessage(1, 0), "Unable to open com port (win error code: 0)");
  EXPECT_EQ(devlink::comMessage(8, -1), "SetCommTimeouts failed");
  // std::runtime_error is the base the rest of the program catches.
  try {
    throw devlink::EComPort(3, 5);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "ReadFile function failed (win error code: 5)");
  }
  EXPECT_EQ(devlink::programLocaleDir(),
            fs::read_symlink("/proc/self/exe").parent_path().string() + "/locale");
}

// Beside the program in the build tree; under the prefix's share folder once installed in a
// bin folder (a program's folder merely ending in "bin" is not one).
TEST(ComMessages, CataloguesOfAnInstalledProgramAreUnderShare) {
  EXPECT_EQ(devlink::localeDirFor("/usr/bin"), "/usr/share/halvex/locale");
  EXPECT_EQ(devlink::localeDirFor("/usr/local/bin"), "/usr/local/share/halvex/locale");
  EXPECT_EQ(devlink::localeDirFor("/opt/vantorel/bin"), "/opt/vantorel/share/halvex/locale");
  EXPECT_EQ(devlink::localeDirFor("/bin"), "/share/halvex/locale");
  EXPECT_EQ(devlink::localeDirFor("/home/jan/halvex/build/app"),
            "/home/jan/halvex/build/app/locale");
  EXPECT_EQ(devlink::localeDirFor("/home/jan/cabin"), "/home/jan/cabin/locale");
}

// Builds a German catalogue with msgfmt and shows its texts. LANG names de_DE.UTF-8, which a
// fresh system usually has not generated: the lookup then keeps to C.UTF-8 and passes the
// language on through LANGUAGE, so the test behaves the same with or without that locale.
TEST(ComMessages, CatalogueTranslatesTexts) {
  const fs::path dir =
      fs::temp_directory_path() / ("cport-catalogue-" + std::to_string(::getpid()));
  fs::create_directories(dir / "de" / "LC_MESSAGES");
  {
    std::ofstream po(dir / "cport.po");
    po << "msgid \"\"\n"
          "msgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
          "msgid \"Unable to open com port\"\n"
          "msgstr \"Port kann nicht geöffnet werden\"\n\n"
          "msgid \"Cannot set property while connected\"\n"
          "msgstr \"Eigenschaft kann bei offenem Port nicht gesetzt werden\"\n";
  }
  const std::string cmd = "msgfmt -o '" + (dir / "de/LC_MESSAGES/cport.mo").string() + "' '" +
                          (dir / "cport.po").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "msgfmt (Debian package gettext) is needed";

  {
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    ScopedEnv language("LANGUAGE", nullptr);
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    devlink::selectMessageLanguage();
    devlink::bindCatalogue(devlink::kComTextDomain, dir.string());
    EXPECT_EQ(devlink::comText(1), "Port kann nicht geöffnet werden");
    EXPECT_EQ(devlink::comText(14), "Eigenschaft kann bei offenem Port nicht gesetzt werden");
    EXPECT_EQ(devlink::comText(2), "WriteFile function failed");  // not in the catalogue
    EXPECT_STREQ(devlink::EComPort(1, 2).what(),
                 "Port kann nicht geöffnet werden (win error code: 2)");
  }
  // Back to the environment of the test run and the program's own folder.
  devlink::selectMessageLanguage();
  devlink::bindCatalogue(devlink::kComTextDomain, devlink::programLocaleDir());
  const char* lang = std::getenv("LANG");
  if (!lang || std::string(lang) == "C" || std::string(lang).empty()) {
    EXPECT_EQ(devlink::comText(1), "Unable to open com port");
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
