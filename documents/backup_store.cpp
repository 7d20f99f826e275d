#include "documents/backup_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

namespace quarn {

namespace {

// 2026-12-08_101530_code-1234_uhf.json, or ..._uhf_2.json for the second
// backup of that second. Files named otherwise are never listed or deleted.
const QRegularExpression& backup_name_pattern() {
  static const QRegularExpression pattern = [] {
    QStringList band_words{band_file_word(std::nullopt)};
    for (const Band band : bands) band_words << band_file_word(band);
    return QRegularExpression(R"(^(\d{4}-\d{2}-\d{2}_\d{6})_code-[A-Za-z0-9]{1,16}_(?:)" + band_words.join('|') +
                              R"()(?:_([1-9]\d{0,5}))?\.json$)");
  }();
  return pattern;
}

struct BackupName {
  QString stamp;    // date and time, UTC
  int counter = 1;  // 1 for the first backup of its second
  QString name;

  // Time first, then the order within the second.
  bool operator<(const BackupName& other) const {
    return std::tie(stamp, counter, name) < std::tie(other.stamp, other.counter, other.name);
  }
};

std::optional<BackupName> parse_backup_name(const QString& name) {
  const QRegularExpressionMatch match = backup_name_pattern().match(name);
  if (!match.hasMatch()) return std::nullopt;
  const QString counter = match.captured(2);
  return BackupName{match.captured(1), counter.isEmpty() ? 1 : counter.toInt(), name};
}

// The backups in the folder, oldest first; with a stamp, only that second's.
std::vector<BackupName> backups_in(const QString& folder, const QString& stamp = {}) {
  std::vector<BackupName> backups;
  const QStringList filter = stamp.isEmpty() ? QStringList() : QStringList{stamp + QStringLiteral("_*")};
  const QStringList names = QDir(folder).entryList(filter, QDir::Files | QDir::Hidden);
  for (const QString& name : names) {
    if (auto backup = parse_backup_name(name)) backups.push_back(std::move(*backup));
  }
  std::sort(backups.begin(), backups.end());
  return backups;
}

// Digits written by hand, so that no locale can change them.
QString stamp_of(const QDateTime& time) {
  const QDateTime utc = time.toUTC();
  const QDate date = utc.date();
  const QTime clock = utc.time();
  return QString::asprintf("%04d-%02d-%02d_%02d%02d%02d", date.year(), date.month(), date.day(), clock.hour(),
                           clock.minute(), clock.second());
}

// The code as typed may hold anything; the name keeps its letters and digits.
QString code_part(const std::string& code) {
  QString part;
  for (const char c : code) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (plain && part.size() < 16) part += QLatin1Char(c);
  }
  return part.isEmpty() ? QStringLiteral("none") : part;
}

// Creates the folder and its parents; why, when it cannot.
std::optional<FileError> create_folder(const QString& folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
  if (!error) return std::nullopt;
  return FileError{.fault = FileFault::FolderNotMade, .path = folder, .reason = QString::fromLocal8Bit(error.message())};
}

}  // namespace

BackupStore::BackupStore(QString folder) : folder_(std::move(folder)) {}

QString BackupStore::defaultFolder(bool emulated_units) {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (data.isEmpty()) return {};
  return data + (emulated_units ? QStringLiteral("/demo-backups") : QStringLiteral("/backups"));
}

std::optional<FileError> BackupStore::save(const SettingsFile& file, QString* saved_path) {
  if (folder_.isEmpty()) return FileError{.fault = FileFault::NoFolder};
  if (auto error = create_folder(folder_)) return error;

  SettingsFile backup = file;
  if (!backup.saved_at.isValid()) backup.saved_at = QDateTime::currentDateTimeUtc();
  const QString stamp = stamp_of(backup.saved_at);

  int counter = 1;
  for (const BackupName& other : backups_in(folder_, stamp)) counter = std::max(counter, other.counter + 1);
  QString name = stamp + "_code-" + code_part(backup.settings.code) + '_' + band_file_word(backup.band);
  if (counter > 1) name += '_' + QString::number(counter);
  name += QStringLiteral(".json");

  const QString path = QDir(folder_).filePath(name);
  if (auto error = save_settings_file(path, backup)) return error;
  if (saved_path) *saved_path = path;
  return std::nullopt;
}

void BackupStore::retire(const QString& kept) {
  std::vector<BackupName> existing = backups_in(folder_);
  const QString kept_name = QFileInfo(kept).fileName();
  std::erase_if(existing, [&](const BackupName& other) { return other.name == kept_name; });
  const auto excess = static_cast<std::ptrdiff_t>(existing.size()) - (backup_keep_count - 1);
  for (std::ptrdiff_t i = 0; i < excess; ++i) QFile::remove(QDir(folder_).filePath(existing[i].name));
}

QStringList BackupStore::list() const {
  QStringList paths;
  for (const BackupName& backup : backups_in(folder_)) paths << QDir(folder_).filePath(backup.name);
  return paths;
}

std::optional<FileError> BackupStore::unreadable() const {
  namespace fs = std::filesystem;
  const fs::path folder(folder_.toStdU16String());
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (status.type() == fs::file_type::not_found) return std::nullopt;
  if (!error && status.type() != fs::file_type::directory) error = std::make_error_code(std::errc::not_a_directory);
  if (!error) fs::directory_iterator(folder, error);
  if (!error) return std::nullopt;
  return FileError{.fault = FileFault::FolderNotRead, .path = folder_, .reason = QString::fromLocal8Bit(error.message())};
}

BackupHook BackupStore::hook() {
  return [this](const ReadResult& read) -> BackupResult {
    QString path;
    if (auto error = save(settings_file_of_read(read.cells, read.out_of_step), &path)) return *error;
    return BackupTaken{.path = path, .after_run = [this, path] { retire(path); }};
  };
}

}  // namespace quarn
