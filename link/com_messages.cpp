#include "link/com_messages.h"

#include <libintl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <mutex>
#include <string_view>

namespace devlink {

namespace {

// Index = code - 1.
constexpr const char* kComTexts[] = {
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
static_assert(std::size(kComTexts) == kComLastCode);

constexpr const char* kSysErrorSuffix = " (win error code: %d)";

// Why a port did not open, per language: Polish, English, Italian.
struct OpenFailureTexts {
  const char* pl;
  const char* en;
  const char* it;
};
constexpr OpenFailureTexts kNoSuchDevice = {"brak takiego urządzenia", "no such device",
                                            "dispositivo inesistente"};
constexpr OpenFailureTexts kDeviceBusy = {"urządzenie jest zajęte przez inny program",
                                          "in use by another program",
                                          "in uso da un altro programma"};
constexpr OpenFailureTexts kNoPermission = {
    "brak uprawnień; dodaj użytkownika do grupy \"dialout\" i zaloguj się ponownie",
    "permission denied; add the user to the \"dialout\" group and log in again",
    "permesso negato; aggiungere l'utente al gruppo \"dialout\" e accedere di nuovo"};
constexpr OpenFailureTexts kNotSerialPort = {"to nie jest port szeregowy", "not a serial port",
                                             "non è una porta seriale"};
// Followed by the error's number and its name, e.g. "błąd systemu nr 5 (EIO)".
constexpr OpenFailureTexts kSystemError = {"błąd systemu nr ", "system error ",
                                           "errore di sistema "};

const char* inLanguage(const OpenFailureTexts& texts, const std::string& language) {
  if (language == "pl") return texts.pl;
  if (language == "en") return texts.en;
  return texts.it;
}

// The LANGUAGE value this program set itself, so a later call may replace it.
std::string& languageWeSet() {
  static std::string value;
  return value;
}

void bindRaw(const std::string& domain, const std::string& localeDir) {
  ::bindtextdomain(domain.c_str(), localeDir.c_str());
  ::bind_textdomain_codeset(domain.c_str(), "UTF-8");
}

std::once_flag& initFlag() {
  static std::once_flag flag;
  return flag;
}

void ensureInitialised() {
  std::call_once(initFlag(), [] {
    selectMessageLanguage();
    bindRaw(kComTextDomain, programLocaleDir());
  });
}

const char* firstSet(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const char* v = std::getenv(n);
    if (v && v[0]) return v;
  }
  return nullptr;
}

}  // namespace

const char* comSourceText(int code) {
  if (code < kComFirstCode || code > kComLastCode) return "";
  return kComTexts[code - 1];
}

std::string comText(int code) {
  const char* src = comSourceText(code);
  if (!src[0]) return "Unknown error";  // dgettext("") would return the catalogue header
  ensureInitialised();
  return ::dgettext(kComTextDomain, src);
}

std::string comMessage(int code, int sysError) {
  std::string msg = comText(code);
  if (sysError != -1) {
    std::string suffix = kSysErrorSuffix;
    suffix.replace(suffix.find("%d"), 2, std::to_string(sysError));
    msg += suffix;
  }
  return msg;
}

std::string portOpenFailureText(const std::string& device, int code, int sysError,
                                const std::string& language) {
  std::string reason;
  if (code != 1) {
    reason = comMessage(code, sysError);
  } else {
    switch (sysError) {
      case ENOENT:
      case ENODEV:
      case ENXIO:
        reason = inLanguage(kNoSuchDevice, language);
        break;
      case EBUSY:
        reason = inLanguage(kDeviceBusy, language);
        break;
      case EACCES:
      case EPERM:
        reason = inLanguage(kNoPermission, language);
        break;
      case ENOTTY:
        reason = inLanguage(kNotSerialPort, language);
        break;
      default: {
        reason = std::string(inLanguage(kSystemError, language)) + std::to_string(sysError);
        if (const char* name = ::strerrorname_np(sysError))
          reason += std::string(" (") + name + ")";
        break;
      }
    }
  }
  return device + ": " + reason;
}

std::string programLocaleDir() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "locale";
  std::string exe(buf, static_cast<std::size_t>(n));
  const auto slash = exe.rfind('/');
  if (slash == std::string::npos) return "locale";
  return localeDirFor(exe.substr(0, slash));
}

std::string localeDirFor(const std::string& programDir) {
  constexpr std::string_view kBin = "/bin";
  const std::string_view dir = programDir;
  if (dir == kBin) return "/share/halvex/locale";
  if (dir.ends_with(kBin))
    return std::string(dir.substr(0, dir.size() - kBin.size())) + "/share/halvex/locale";
  return programDir + "/locale";
}

void selectMessageLanguage() {
  if (const char* ours = std::getenv("LANGUAGE");
      ours && !languageWeSet().empty() && languageWeSet() == ours) {
    ::unsetenv("LANGUAGE");  // our own earlier choice must not outlive a change of LANG
    languageWeSet().clear();
  }
  if (std::setlocale(LC_MESSAGES, "")) return;
  // The locale the environment names is not installed (a fresh system often has only C and
  // C.UTF-8). gettext ignores the language in the "C" locale, so take C.UTF-8 and name the
  // language through LANGUAGE unless the user chose one there.
  const char* name = firstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
  if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) return;
  if (!std::setlocale(LC_MESSAGES, "C.UTF-8")) return;
  const char* language = std::getenv("LANGUAGE");
  if (language && language[0]) return;
  std::string lang(name, std::strcspn(name, ".@"));
  ::setenv("LANGUAGE", lang.c_str(), 1);
  languageWeSet() = lang;
}

void bindCatalogue(const std::string& domain, const std::string& localeDir) {
  ensureInitialised();
  bindRaw(domain, localeDir);
}

}  // namespace devlink
