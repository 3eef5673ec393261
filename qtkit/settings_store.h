#pragma once
// The per-user settings store: the registry-like tree of keys holding typed values
// (string, 32-bit dword used as a boolean). Read and written only through this class.
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace qtkit {

// Key and value names, in one place.
namespace keys {
inline constexpr const char* kProduct = "Software\\Vantorel\\Halvex22";
inline constexpr const char* kMaker = "Software\\Vantorel";
inline constexpr const char* kLng = "lng";
inline constexpr const char* kComPort = "ComPort";
inline constexpr const char* kAutoReconnect = "AutoReconnect";
inline constexpr const char* kCsvStyle = "CsvStyle";
inline constexpr const char* kName = "name";
inline constexpr const char* kCompany = "company";
inline constexpr const char* kService = "service";
inline constexpr const char* kCity = "city";
}  // namespace keys

// The store's own texts. The first two are the store's errors (with the value's name in
// place of %s); the others report problems of the settings file, %1 the file's path.
namespace settings_texts {
inline constexpr const char* kFailedToGetData = "Failed to get data for '%s'";
inline constexpr const char* kInvalidDataType = "Invalid data type for '%s'";
inline constexpr const char* kUnreadable =
    "Nie można odczytać pliku ustawień %1 (%2); program startuje z pustymi ustawieniami.";
inline constexpr const char* kUnreadableMovedAside =
    "Nie można odczytać pliku ustawień %1 (%2); odłożono go jako %3, program startuje z pustymi "
    "ustawieniami.";
inline constexpr const char* kDamaged =
    "Plik ustawień %1 jest uszkodzony (%2); program startuje z pustymi ustawieniami. Kopię "
    "zachowano jako %3.";
inline constexpr const char* kDamagedMovedAside =
    "Plik ustawień %1 jest uszkodzony (%2); odłożono go jako %3, program startuje z pustymi "
    "ustawieniami.";
// Reasons (%2) of the messages above.
inline constexpr const char* kNotARegularFile = "to nie jest zwykły plik";
inline constexpr const char* kTooLarge = "większy niż 1 MB";
inline constexpr const char* kDamagedLanguage = "nieczytelna wartość \"lng\"";
inline constexpr const char* kUnknownEntries =
    "Plik ustawień %1 zawiera %2 wpisów nieznanej postaci; pominięto je.";
inline constexpr const char* kCannotCreateFolder = "nie można utworzyć folderu %1";
inline constexpr const char* kCannotSave = "Nie można zapisać ustawień do %1: %2";
}  // namespace settings_texts

// The store's own failures. what() is the text shown to the user, e.g.
// "Failed to get data for 'service'" or "Invalid data type for 'lng'".
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What reading the settings file gave: its first `limit` bytes and how the reading went. The
// program reads it with its bounded reader of files it is pointed at (only a regular file,
// never waiting on it).
struct SettingsFileContents {
  enum class Status {
    Open,        // a regular file, read
    CannotOpen,  // `error` holds errno (ENOENT, EACCES, ...)
    NotRegular,  // a folder, pipe, device or socket: refused without reading
  };
  Status status = Status::CannotOpen;
  int error = 0;            // errno of the failed open or read
  bool readFailed = false;  // opened, but a read failed (error says why)
  bool cut = false;         // more than `limit` bytes: `bytes` holds only the first ones
  std::string bytes;
};
using SettingsFileReader =
    std::function<SettingsFileContents(const std::string& path, std::uint64_t limit)>;

// Persisted as one human-readable JSON file (written atomically) when a file path
// is given; purely in memory otherwise (the test double is the same class).
class SettingsStore {
 public:
  // A typed value: a string or a 32-bit dword, as the registry keeps them. (A plain struct
  // rather than std::variant: GCC 12 with the sanitizers warns falsely about a variant of a
  // string being read uninitialised, and warnings are errors here.)
  struct Value {
    Value() = default;
    Value(std::string s) : text(std::move(s)) {}         // NOLINT: implicit on purpose
    Value(const char* s) : text(s) {}                    // NOLINT
    Value(std::uint32_t d) : isDword(true), dword(d) {}  // NOLINT
    bool isDword = false;
    std::string text;
    std::uint32_t dword = 0;
  };

  // How a read opens its key: like the registry, reads normally create a missing key;
  // the about box opens the product key without creating it.
  enum class KeyOpen { CreateIfMissing, ExistingOnly };

  // The largest settings file read; a larger one is damaged.
  static constexpr std::uint64_t kMaxFileBytes = 1 << 20;

  // Memory only.
  SettingsStore() = default;
  // filePath empty: memory only. The file is read through `readFile` (without a reader it is
  // not read). A file that cannot be read or parsed is treated as empty and reported once
  // through `onProblem` (never thrown). Only a regular file of at most kMaxFileBytes is read,
  // without ever waiting on it: anything else in its place (a pipe, a device, a huge file) is
  // damaged settings and moved aside, as is a file whose "lng" cannot be read (which would
  // otherwise pass for a first run).
  SettingsStore(std::string filePath, SettingsFileReader readFile,
                std::function<void(const std::string&)> onProblem = {});

  // Default location: $XDG_CONFIG_HOME (or ~/.config) /Vantorel/halvex22.json
  static std::string defaultPath();

  bool keyExists(const std::string& key) const;
  bool valueExists(const std::string& key, const std::string& name) const;
  void createKey(const std::string& key);

  // Missing value reads as "" (key created if missing, like opening with create);
  // a dword value raises SettingsError("Invalid data type for '<name>'").
  std::string readString(const std::string& key, const std::string& name,
                         KeyOpen open = KeyOpen::CreateIfMissing);
  // Missing value raises SettingsError("Failed to get data for '<name>'"); a string
  // value raises "Invalid data type for '<name>'". Non-zero dword reads as true.
  bool readBool(const std::string& key, const std::string& name,
                KeyOpen open = KeyOpen::CreateIfMissing);

  void writeString(const std::string& key, const std::string& name, const std::string& value);
  void writeBool(const std::string& key, const std::string& name, bool value);
  // For tests and repairs: put any typed value.
  void writeRaw(const std::string& key, const std::string& name, Value value);

  // The file this store persists to ("" = memory only).
  const std::string& filePath() const { return path_; }

  // Last save error (empty when the last save succeeded or nothing was saved).
  const std::string& lastSaveError() const { return lastSaveError_; }

 private:
  void load();
  void save();

  std::string path_;
  SettingsFileReader readFile_;
  std::function<void(const std::string&)> onProblem_;
  std::map<std::string, std::map<std::string, Value>> keys_;
  std::string lastSaveError_;
  bool saveFailureReported_ = false;
};

}  // namespace qtkit
