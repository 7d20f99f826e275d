#pragma once
// Automatic backups of the settings: one settings file per backup in one
// folder, named by time, code and band, the newest backup_keep_count kept.

#include "documents/settings_file.h"
#include "link/outcome.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quarn {

inline constexpr int backup_keep_count = 200;

// The names that place the program's data folder; the window and the command
// line set both, so that they share one backups folder. They must not change
// between releases, or a new release would look for its backups elsewhere.
inline constexpr const char* organization_name = "Quelmora";
inline constexpr const char* application_name = "Configuratore Per Quarn";

class BackupStore {
 public:
  explicit BackupStore(QString folder);

  // The "backups" folder in the application's data folder, which depends on
  // the organisation and application names set on QCoreApplication.
  // `emulated_units`: "demo-backups" beside it instead, for the demo's
  // emulated transmitter, whose backups must never rotate a real unit's out.
  static QString defaultFolder(bool emulated_units = false);

  const QString& folder() const { return folder_; }

  // Writes `file` (atomically, synced to the disk) as a new backup named
  // after its saved_at (UTC; the current time if invalid), code and band, for
  // example 2026-12-08_101530_code-1234_uhf.json; a second backup in the same
  // second gets _2, then _3, before ".json". Creates the folder if needed.
  // On success sets *saved_path.
  std::optional<FileError> save(const SettingsFile& file, QString* saved_path = nullptr);

  // Deletes the oldest backups beyond backup_keep_count, and nothing but
  // backups; never `kept` (the one just saved), even when a clock set back
  // makes it look the oldest. A backup that cannot be deleted stays.
  void retire(const QString& kept);

  // Paths of the backups in the folder, oldest first. Files whose names are
  // not backup names are left out.
  QStringList list() const;
  // Why the folder cannot be listed: a file where it should be, a loop of
  // symbolic links, no permission. None for a folder that can be, or that
  // does not exist yet (no backup was ever saved).
  std::optional<FileError> unreadable() const;

  // The session's backup hook: each read handed to it is saved here (marked
  // when out of step), and the oldest backups retire once the run is over.
  // The store must outlive the session.
  BackupHook hook();

 private:
  QString folder_;
};

}  // namespace quarn
