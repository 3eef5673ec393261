// The serial port's error texts (codes 1 to 23) and their lookup in message catalogues of
// the domain "cport", found in the folder "locale" beside the program (of an installed
// program: <prefix>/share/halvex/locale).
#pragma once

#include <string>

namespace devlink {

inline constexpr const char* kComTextDomain = "cport";
inline constexpr int kComFirstCode = 1;
inline constexpr int kComLastCode = 23;

// The text of an error code as written, before translation; "" for an unknown code.
const char* comSourceText(int code);

// The text of an error code through the catalogue (as written when none translates it).
std::string comText(int code);

// The message of an EComPort: the code's text, followed by " (win error code: N)" when the
// failing call gave a system error number (sysError != -1).
std::string comMessage(int code, int sysError);

// Why a port did not open, for the second line of the connect message: the device the port
// name resolved to, ": ", and the reason in the window's language (`language` "pl" Polish,
// "en" English, any other code Italian, as the main window's captions). `code` and
// `sysError` are those of the EComPort the open raised: code 1 with ENOENT, ENODEV or ENXIO
// is a missing device, EBUSY one held by another program, EACCES or EPERM missing
// permission (with the remedy), ENOTTY a device that is no serial port; other system errors
// give their number and name, other codes the port's own message.
std::string portOpenFailureText(const std::string& device, int code, int sysError,
                                const std::string& language);

// Where the catalogues are looked up: <dir>/<language>/LC_MESSAGES/cport.mo, with <dir>
// the folder "locale" beside the running program (localeDirFor of its folder).
std::string programLocaleDir();

// The catalogue folder of a program that lies in `programDir`: "<programDir>/locale", or,
// for a program installed in a folder named "bin" (/usr/bin, /usr/local/bin, ...), the
// prefix's "share/halvex/locale" (/usr/share/halvex/locale): nothing but programs belongs
// in a bin folder. No catalogue comes with the program; that is where one is put.
std::string localeDirFor(const std::string& programDir);

// Chooses the language of the catalogues from the environment (LC_ALL, LC_MESSAGES, LANG,
// and LANGUAGE) or the system's locale. Runs once by itself before the first lookup; call
// it again after changing the environment.
void selectMessageLanguage();

// Binds `domain` to the catalogues under `localeDir` (UTF-8 texts).
void bindCatalogue(const std::string& domain, const std::string& localeDir);

}  // namespace devlink
