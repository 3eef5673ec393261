#include "qtkit/settings_store.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "qtkit/strings.h"

namespace qtkit {

namespace {

// A dword is written as {"dword": n} so that a hand-edited file keeps strings and
// numbers apart exactly as the registry does (REG_SZ vs REG_DWORD).
constexpr const char* kDwordField = "dword";
constexpr const char* kDamagedSuffix = ".damaged";

constexpr const char* kUnreadableSuffix = ".unreadable";

std::string withName(const char* text, const std::string& name) {
  std::string s = text;
  s.replace(s.find("%s"), 2, name);
  return s;
}
std::string failedToGet(const std::string& name) {
  return withName(settings_texts::kFailedToGetData, name);
}
std::string invalidType(const std::string& name) {
  return withName(settings_texts::kInvalidDataType, name);
}

// Accepts the form we write and, leniently, a bare JSON integer or boolean that a
// person may have typed by hand.
std::optional<SettingsStore::Value> parseValue(const QJsonValue& v) {
  auto dwordFrom = [](double d) -> std::optional<SettingsStore::Value> {
    if (d < 0 || d > 4294967295.0 || std::floor(d) != d) return std::nullopt;
    return SettingsStore::Value{static_cast<std::uint32_t>(d)};
  };
  if (v.isString()) return SettingsStore::Value{v.toString().toStdString()};
  if (v.isBool()) return SettingsStore::Value{std::uint32_t{v.toBool() ? 1u : 0u}};
  if (v.isDouble()) return dwordFrom(v.toDouble());
  if (v.isObject()) {
    const QJsonObject o = v.toObject();
    const QJsonValue d = o.value(QLatin1String(kDwordField));
    if (o.size() == 1 && d.isDouble()) return dwordFrom(d.toDouble());
  }
  return std::nullopt;
}

}  // namespace

SettingsStore::SettingsStore(std::string filePath, SettingsFileReader readFile,
                             std::function<void(const std::string&)> onProblem)
    : path_(std::move(filePath)), readFile_(std::move(readFile)), onProblem_(std::move(onProblem)) {
  load();
}

std::string SettingsStore::defaultPath() {
  // XDG: a relative XDG_CONFIG_HOME is invalid and must be ignored.
  QString base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = QString::fromLocal8Bit(xdg);
  } else {
    base = QDir::homePath() + QStringLiteral("/.config");
  }
  return (base + QStringLiteral("/Vantorel/halvex22.json")).toStdString();
}

bool SettingsStore::keyExists(const std::string& key) const {
  if (keys_.count(key)) return true;
  // Like the registry, a key exists when any key below it does.
  const std::string prefix = key + "\\";
  auto it = keys_.lower_bound(prefix);
  return it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

bool SettingsStore::valueExists(const std::string& key, const std::string& name) const {
  auto k = keys_.find(key);
  return k != keys_.end() && k->second.count(name) > 0;
}

void SettingsStore::createKey(const std::string& key) {
  if (keys_.count(key)) return;
  keys_[key];
  save();
}

std::string SettingsStore::readString(const std::string& key, const std::string& name,
                                      KeyOpen open) {
  if (open == KeyOpen::CreateIfMissing) createKey(key);
  auto k = keys_.find(key);
  if (k == keys_.end()) return {};
  auto v = k->second.find(name);
  if (v == k->second.end()) return {};
  if (!v->second.isDword) return v->second.text;
  throw SettingsError(invalidType(name));
}

bool SettingsStore::readBool(const std::string& key, const std::string& name, KeyOpen open) {
  if (open == KeyOpen::CreateIfMissing) createKey(key);
  auto k = keys_.find(key);
  if (k == keys_.end()) throw SettingsError(failedToGet(name));
  auto v = k->second.find(name);
  if (v == k->second.end()) throw SettingsError(failedToGet(name));
  if (v->second.isDword) return v->second.dword != 0;
  throw SettingsError(invalidType(name));
}

void SettingsStore::writeString(const std::string& key, const std::string& name,
                                const std::string& value) {
  writeRaw(key, name, Value{value});
}

void SettingsStore::writeBool(const std::string& key, const std::string& name, bool value) {
  writeRaw(key, name, Value{std::uint32_t{value ? 1u : 0u}});
}

void SettingsStore::writeRaw(const std::string& key, const std::string& name, Value value) {
  keys_[key][name] = std::move(value);
  save();
}

void SettingsStore::load() {
  keys_.clear();
  if (path_.empty() || !readFile_) return;
  const QString path = qtkit::qstr(path_);
  if (!QFileInfo::exists(path)) return;  // first run: nothing stored yet

  auto problem = [this](const QString& text) {
    if (onProblem_) onProblem_(text.toStdString());
  };
  // Damaged settings the program cannot even read through (a pipe, a device, a huge file) are
  // moved aside whole, never copied: copying them would block or never end. The next save
  // then makes a fresh file in their place.
  auto moveAside = [&](const char* reason) {
    const QString aside = path + QLatin1String(kDamagedSuffix);
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(path_),
                            std::filesystem::path(path_ + kDamagedSuffix), ec);
    if (ec) {
      problem(QString::fromUtf8(settings_texts::kUnreadable).arg(path, QString::fromUtf8(reason)));
    } else {
      problem(QString::fromUtf8(settings_texts::kDamagedMovedAside)
                  .arg(path, QString::fromUtf8(reason), aside));
    }
  };
  // Damaged settings in a small regular file: a copy is kept beside the new one (the next
  // save replaces the file), and the user may recover values from it by hand.
  auto keepCopy = [&](const QString& why) {
    const QString copy = path + QLatin1String(kDamagedSuffix);
    QFile::remove(copy);
    QFile::copy(path, copy);
    problem(QString::fromUtf8(settings_texts::kDamaged).arg(path, why, copy));
  };

  const SettingsFileContents file = readFile_(path_, kMaxFileBytes);
  const bool folder = QFileInfo(path).isDir();
  if (file.status == SettingsFileContents::Status::NotRegular && !folder) {
    moveAside(settings_texts::kNotARegularFile);
    return;
  }
  if (file.cut) {
    moveAside(settings_texts::kTooLarge);
    return;
  }
  if (file.status != SettingsFileContents::Status::Open || file.readFailed) {
    // A file nobody may read (mode 000, say) is moved aside: the next save then makes a
    // fresh one the user can read, instead of every later start failing the same way.
    const QString why = QString::fromLocal8Bit(std::strerror(file.error));
    const QString aside = path + QLatin1String(kUnreadableSuffix);
    if (!folder) {
      QFile::remove(aside);
      if (QFile::rename(path, aside)) {
        problem(QString::fromUtf8(settings_texts::kUnreadableMovedAside).arg(path, why, aside));
        return;
      }
    }
    problem(QString::fromUtf8(settings_texts::kUnreadable).arg(path, why));
    return;
  }

  QJsonParseError err{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(file.bytes), &err);
  if (err.error != QJsonParseError::NoError || !doc.isObject()) {
    keepCopy(err.error != QJsonParseError::NoError ? err.errorString()
                                                   : QStringLiteral("not a JSON object"));
    return;
  }

  // The language is what tells a first run from a later one: a product key or "lng" value
  // that cannot be read is damaged settings, not a first run that would blank the name and
  // company without a word.
  const QJsonObject root = doc.object();
  const QJsonValue product = root.value(qtkit::qstr(keys::kProduct));
  if (!product.isUndefined() &&
      (!product.isObject() || (product.toObject().contains(qtkit::qstr(keys::kLng)) &&
                               !parseValue(product.toObject().value(qtkit::qstr(keys::kLng)))))) {
    keepCopy(QString::fromUtf8(settings_texts::kDamagedLanguage));
    return;
  }

  int skipped = 0;
  for (auto k = root.begin(); k != root.end(); ++k) {
    if (!k.value().isObject()) {
      ++skipped;
      continue;
    }
    auto& values = keys_[k.key().toStdString()];
    const QJsonObject obj = k.value().toObject();
    for (auto v = obj.begin(); v != obj.end(); ++v) {
      if (auto parsed = parseValue(v.value())) {
        values[v.key().toStdString()] = std::move(*parsed);
      } else {
        ++skipped;
      }
    }
  }
  if (skipped > 0) {
    problem(QString::fromUtf8(settings_texts::kUnknownEntries).arg(path).arg(skipped));
  }
}

void SettingsStore::save() {
  if (path_.empty()) return;
  QJsonObject root;
  for (const auto& [key, values] : keys_) {
    QJsonObject obj;
    for (const auto& [name, value] : values) {
      if (!value.isDword) {
        obj.insert(qtkit::qstr(name), qtkit::qstr(value.text));
      } else {
        QJsonObject dword;
        dword.insert(QLatin1String(kDwordField), static_cast<qint64>(value.dword));
        obj.insert(qtkit::qstr(name), dword);
      }
    }
    root.insert(qtkit::qstr(key), obj);
  }

  const QString path = qtkit::qstr(path_);
  QString error;
  const QString dir = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(dir)) {
    error = QString::fromUtf8(settings_texts::kCannotCreateFolder).arg(dir);
  } else {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
      error = file.errorString();
    } else {
      // The saved file keeps the permissions of the one it replaced; its owner must always
      // be able to read and write it again.
      const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
      const QFile::Permissions now = QFile::permissions(path);
      if ((now & owner) != owner) QFile::setPermissions(path, now | owner);
    }
  }

  if (error.isEmpty()) {
    lastSaveError_.clear();
    saveFailureReported_ = false;
    return;
  }
  lastSaveError_ = QString::fromUtf8(settings_texts::kCannotSave).arg(path, error).toStdString();
  // Every write saves; report a failing location once, not at every write.
  if (!saveFailureReported_ && onProblem_) onProblem_(lastSaveError_);
  saveFailureReported_ = true;
}

}  // namespace qtkit
