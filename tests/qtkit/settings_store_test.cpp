// The settings store: typed values, the store's own errors, and the JSON file it
// keeps them in (round trip, damaged file, unwritable folder, location).
#include "qtkit/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measurement/bounded_file.h"
#include "tests/support/awkward_files.h"

namespace {

using qtkit::SettingsError;
using qtkit::SettingsStore;
namespace keys = qtkit::keys;

// The store reads its file as the program has it read: with the bounded reader of files the
// program is pointed at.
qtkit::SettingsFileReader readFile() {
  return [](const std::string& path, std::uint64_t limit) {
    measurement::BoundedFileContents file = measurement::readBoundedFile(path, limit);
    using Status = qtkit::SettingsFileContents::Status;
    qtkit::SettingsFileContents read;
    read.status = file.status == measurement::BoundedFileReader::Status::Open ? Status::Open
                  : file.status == measurement::BoundedFileReader::Status::NotRegular
                      ? Status::NotRegular
                      : Status::CannotOpen;
    read.error = file.error;
    read.readFailed = file.readFailed;
    read.cut = file.cut;
    read.bytes = std::move(file.bytes);
    return read;
  };
}

struct Problems {
  std::vector<std::string> seen;
  std::function<void(const std::string&)> sink() {
    return [this](const std::string& s) { seen.push_back(s); };
  }
};

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const SettingsError& e) {
    return e.what();
  }
  return "<no error>";
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(SettingsStore, ValuesSurviveARestartAndTheFileIsReadableJson) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/nested/folder/halvex22.json";  // folders created
  Problems problems;
  {
    SettingsStore store(path.toStdString(), readFile(), problems.sink());
    store.writeString(keys::kProduct, keys::kLng, "pl");
    store.writeString(keys::kProduct, keys::kName, "Zażółć Gęślą");
    store.writeBool(keys::kProduct, keys::kService, true);
    store.writeBool(keys::kMaker, keys::kService, false);
    EXPECT_EQ(store.lastSaveError(), "");
  }
  SettingsStore again(path.toStdString(), readFile(), problems.sink());
  EXPECT_EQ(again.readString(keys::kProduct, keys::kLng), "pl");
  EXPECT_EQ(again.readString(keys::kProduct, keys::kName), "Zażółć Gęślą");
  EXPECT_TRUE(again.readBool(keys::kProduct, keys::kService));
  EXPECT_FALSE(again.readBool(keys::kMaker, keys::kService));
  EXPECT_TRUE(problems.seen.empty());

  // Strings stay JSON strings, dwords are marked as such.
  const QJsonObject root = QJsonDocument::fromJson(readAll(path)).object();
  const QJsonObject product = root.value("Software\\Vantorel\\Halvex22").toObject();
  EXPECT_EQ(product.value("lng").toString(), "pl");
  EXPECT_EQ(product.value("service").toObject().value("dword").toInt(), 1);
  EXPECT_TRUE(readAll(path).contains('\n')) << "indented for people to read";
}

TEST(SettingsStore, MissingValuesAndWrongTypesRaiseTheStoresErrors) {
  SettingsStore store;  // memory only
  EXPECT_EQ(store.readString(keys::kProduct, keys::kName), "");
  EXPECT_EQ(errorOf([&] { store.readBool(keys::kProduct, keys::kService); }),
            "Failed to get data for 'service'");

  store.writeBool(keys::kProduct, keys::kLng, true);
  store.writeString(keys::kProduct, keys::kService, "1");
  EXPECT_EQ(errorOf([&] { store.readString(keys::kProduct, keys::kLng); }),
            "Invalid data type for 'lng'");
  EXPECT_EQ(errorOf([&] { store.readBool(keys::kProduct, keys::kService); }),
            "Invalid data type for 'service'");

  store.writeRaw(keys::kProduct, "count", SettingsStore::Value{std::uint32_t{7}});
  EXPECT_TRUE(store.readBool(keys::kProduct, "count")) << "any non-zero dword is true";
}

TEST(SettingsStore, KeysExistWithTheirSubkeysAndReadsMayOrMayNotCreateThem) {
  SettingsStore store;
  EXPECT_FALSE(store.keyExists(keys::kProduct));
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kLng));

  // Opening without creating: nothing appears.
  using Open = SettingsStore::KeyOpen;
  EXPECT_EQ(store.readString(keys::kProduct, keys::kName, Open::ExistingOnly), "");
  EXPECT_EQ(errorOf([&] { store.readBool(keys::kProduct, keys::kService, Open::ExistingOnly); }),
            "Failed to get data for 'service'");
  EXPECT_FALSE(store.keyExists(keys::kProduct));

  // An ordinary read creates the key, but no value.
  EXPECT_EQ(store.readString(keys::kProduct, keys::kLng), "");
  EXPECT_TRUE(store.keyExists(keys::kProduct));
  EXPECT_TRUE(store.keyExists(keys::kMaker)) << "the parent of an existing key exists";
  EXPECT_FALSE(store.keyExists("Software\\Vant"));
  EXPECT_FALSE(store.valueExists(keys::kProduct, keys::kLng));

  store.writeString(keys::kProduct, keys::kLng, "");
  EXPECT_TRUE(store.valueExists(keys::kProduct, keys::kLng)) << "an empty text is a value";
  EXPECT_FALSE(store.valueExists(keys::kMaker, keys::kLng));
}

TEST(SettingsStore, DamagedFileIsReportedOnceTreatedAsEmptyAndRepairedByTheNextSave) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/halvex22.json";
  writeFile(path, "{ \"Software\\\\Vantorel\\\\Halvex22\": { \"lng\": \"en\" ");  // cut short

  Problems problems;
  SettingsStore store(path.toStdString(), readFile(), problems.sink());
  ASSERT_EQ(problems.seen.size(), 1u);
  EXPECT_NE(problems.seen[0].find("damaged"), std::string::npos) << problems.seen[0];
  EXPECT_FALSE(store.keyExists(keys::kProduct));
  EXPECT_TRUE(QFile::exists(path + ".damaged")) << "the damaged file is kept for the user";

  store.writeString(keys::kProduct, keys::kLng, "it");
  store.writeString(keys::kProduct, keys::kName, "x");
  EXPECT_EQ(problems.seen.size(), 1u);
  SettingsStore reread(path.toStdString(), readFile(), problems.sink());
  EXPECT_EQ(reread.readString(keys::kProduct, keys::kLng), "it");
  EXPECT_EQ(problems.seen.size(), 1u);
}

// What cannot be a settings file never stops the start: a pipe, a link to /dev/zero, a huge
// file and a file over 1 MB are damaged settings, moved aside whole (never copied, never read
// to the end), reported once; the store starts empty and the next save makes a fresh file.
TEST(SettingsStore, PipesDevicesAndHugeFilesAreDamagedSettingsMovedAside) {
  using testutil::AwkwardFile;
  struct Row {
    const char* name;
    std::function<bool(const QString&)> make;
    const char* reason;
    std::function<bool(const QFileInfo&)> asideIs;  // what lies at the .damaged path
  };
  const auto awkward = [](AwkwardFile kind) {
    return [kind](const QString& path) {
      return testutil::makeAwkwardFile(kind, path.toStdString(), std::uint64_t{200} << 20);
    };
  };
  const Row rows[] = {
      {"pipe", awkward(AwkwardFile::Fifo), qtkit::settings_texts::kNotARegularFile,
       [](const QFileInfo& f) { return !f.isFile() && !f.isDir() && !f.isSymLink(); }},
      {"link to /dev/zero", awkward(AwkwardFile::DevZero), qtkit::settings_texts::kNotARegularFile,
       [](const QFileInfo& f) { return f.isSymLink() && f.symLinkTarget() == "/dev/zero"; }},
      {"200 MB", awkward(AwkwardFile::Huge), qtkit::settings_texts::kTooLarge,
       [](const QFileInfo& f) { return f.isFile() && f.size() == (qint64{200} << 20); }},
      {"valid JSON over 1 MB",
       [](const QString& path) {
         writeFile(path, R"({"Software\\Vantorel\\Halvex22": {"lng": "en", "name": ")" +
                             QByteArray(1 << 20, 'x') + "\"}}");
         return true;
       },
       qtkit::settings_texts::kTooLarge, [](const QFileInfo& f) { return f.size() > (1 << 20); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    QTemporaryDir dir;
    const QString path = dir.path() + "/halvex22.json";
    ASSERT_TRUE(r.make(path));
    Problems problems;
    std::optional<SettingsStore> store;
    {
      testutil::TimeBound bound(10, std::string("settings file: ") + r.name);
      store.emplace(path.toStdString(), readFile(), problems.sink());
    }
    ASSERT_EQ(problems.seen.size(), 1u);
    EXPECT_EQ(QString::fromStdString(problems.seen[0]),
              QString::fromUtf8(qtkit::settings_texts::kDamagedMovedAside)
                  .arg(path, QString::fromUtf8(r.reason), path + ".damaged"));
    EXPECT_FALSE(store->keyExists(keys::kProduct));
    EXPECT_TRUE(r.asideIs(QFileInfo(path + ".damaged")));
    EXPECT_FALSE(QFileInfo(path).exists() || QFileInfo(path).isSymLink());

    store->writeString(keys::kProduct, keys::kLng, "pl");
    EXPECT_TRUE(QFileInfo(path).isFile());
    SettingsStore reread(path.toStdString(), readFile(), problems.sink());
    EXPECT_EQ(reread.readString(keys::kProduct, keys::kLng), "pl");
    EXPECT_EQ(problems.seen.size(), 1u);
  }
}

// A product key or "lng" value that cannot be read is damaged settings (told once, a copy
// kept, the store empty), not a first run that would quietly blank the name and company.
TEST(SettingsStore, AnUnreadableLanguageIsDamagedSettings) {
  const char* damaged[] = {
      R"({"Software\\Vantorel\\Halvex22": {"lng": null, "name": "Jan", "company": "V"}})",
      R"({"Software\\Vantorel\\Halvex22": {"lng": ["pl"], "name": "Jan"}})",
      R"({"Software\\Vantorel\\Halvex22": {"lng": {"text": "pl"}}})",
      R"({"Software\\Vantorel\\Halvex22": {"lng": 1.5}})",
      R"({"Software\\Vantorel\\Halvex22": "pl"})",
  };
  for (const char* content : damaged) {
    SCOPED_TRACE(content);
    QTemporaryDir dir;
    const QString path = dir.path() + "/halvex22.json";
    writeFile(path, content);
    Problems problems;
    SettingsStore store(path.toStdString(), readFile(), problems.sink());
    ASSERT_EQ(problems.seen.size(), 1u);
    EXPECT_EQ(QString::fromStdString(problems.seen[0]),
              QString::fromUtf8(qtkit::settings_texts::kDamaged)
                  .arg(path, QString::fromUtf8(qtkit::settings_texts::kDamagedLanguage),
                       path + ".damaged"));
    EXPECT_FALSE(store.keyExists(keys::kProduct));
    EXPECT_EQ(readAll(path + ".damaged"), QByteArray(content));
  }
}

TEST(SettingsStore, UnknownEntriesAreSkippedAndHandTypedNumbersAccepted) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/halvex22.json";
  writeFile(path, R"({"Software\\Vantorel\\Halvex22":
      {"lng": "en", "service": 1, "odd": [1, 2], "neg": {"dword": -1}},
      "Software\\Vantorel": "not a key"})");
  Problems problems;
  SettingsStore store(path.toStdString(), readFile(), problems.sink());
  EXPECT_EQ(problems.seen.size(), 1u);
  EXPECT_EQ(store.readString(keys::kProduct, keys::kLng), "en");
  EXPECT_TRUE(store.readBool(keys::kProduct, keys::kService));
  EXPECT_FALSE(store.valueExists(keys::kProduct, "odd"));
  EXPECT_FALSE(store.valueExists(keys::kProduct, "neg"));
}

TEST(SettingsStore, UnreadableOrUnwritableLocationsNeverCrash) {
  QTemporaryDir dir;
  // A folder where the file should be: cannot be read, cannot be replaced.
  const QString asFolder = dir.path() + "/halvex22.json";
  ASSERT_TRUE(QDir().mkpath(asFolder));
  Problems problems;
  SettingsStore store(asFolder.toStdString(), readFile(), problems.sink());
  EXPECT_EQ(problems.seen.size(), 1u);
  store.writeString(keys::kProduct, keys::kLng, "pl");
  EXPECT_NE(store.lastSaveError(), "");
  EXPECT_EQ(store.readString(keys::kProduct, keys::kLng), "pl") << "kept in memory";

  // A parent "folder" that is a file (fails even for root).
  writeFile(dir.path() + "/plain", "x");
  Problems saveProblems;
  SettingsStore blocked((dir.path() + "/plain/sub/halvex22.json").toStdString(), readFile(),
                        saveProblems.sink());
  blocked.writeString(keys::kProduct, keys::kLng, "pl");
  blocked.writeBool(keys::kProduct, keys::kService, false);
  EXPECT_NE(blocked.lastSaveError(), "");
  EXPECT_EQ(saveProblems.seen.size(), 1u) << "a failing location is reported once";
}

TEST(SettingsStore, AFileWithoutPermissionsIsMovedAsideOrRepairedByTheNextSave) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/halvex22.json";
  writeFile(path, R"({"Software\\Vantorel\\Halvex22": {"lng": "en"}})");
  ASSERT_TRUE(QFile::setPermissions(path, QFile::Permissions()));
  Problems problems;
  SettingsStore store(path.toStdString(), readFile(), problems.sink());
  if (::geteuid() != 0) {
    // The owner cannot read it: reported once, kept aside, and a fresh file takes its place.
    ASSERT_EQ(problems.seen.size(), 1u);
    EXPECT_NE(problems.seen[0].find(".unreadable"), std::string::npos) << problems.seen[0];
    EXPECT_TRUE(QFile::exists(path + ".unreadable"));
  }
  store.writeString(keys::kProduct, keys::kName, "x");
  const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
  EXPECT_EQ(QFile::permissions(path) & owner, owner) << "the saved file is always readable";
  Problems again;
  SettingsStore reread(path.toStdString(), readFile(), again.sink());
  EXPECT_TRUE(again.seen.empty());
  EXPECT_EQ(reread.readString(keys::kProduct, keys::kName), "x");
}

TEST(SettingsStore, DefaultPathFollowsXdgConfigHome) {
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
  EXPECT_EQ(SettingsStore::defaultPath(), (dir.path() + "/Vantorel/halvex22.json").toStdString());
  qputenv("XDG_CONFIG_HOME", "relative/ignored");
  EXPECT_EQ(SettingsStore::defaultPath(),
            (QDir::homePath() + "/.config/Vantorel/halvex22.json").toStdString());
  qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace
