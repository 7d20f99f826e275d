#include "cli/commands/commands.h"

#include "cli/system_error_texts.h"
#include "cli/terminal.h"
#include "documents/backup_store.h"
#include "documents/operator_texts.h"

#include <QDir>

#include <algorithm>

namespace quarn::cli::command {

// The backups of both front ends, newest first: when, what each holds, and
// whether its read was out of step. Restoring one is `program` with its file.
Result<int> backups(const Invocation&) {
  const BackupStore store(BackupStore::defaultFolder());
  if (auto unreadable = store.unreadable()) return BackupsUnreadable{*unreadable};
  QStringList paths = store.list();
  if (paths.isEmpty()) {
    out(QString("Nessun backup in %1\n").arg(QDir::toNativeSeparators(store.folder())));
    return exit_code::done;
  }
  std::reverse(paths.begin(), paths.end());
  const auto row = [](const QString& time, const QString& code, const QString& band, const QString& type,
                      const QString& read, const QString& file) {
    return QString("%1  %2  %3  %4  %5  %6\n")
        .arg(time, -19)
        .arg(code, -6)
        .arg(band, -5)
        .arg(type, -4)
        .arg(read, -11)
        .arg(file);
  };
  QString text = row("data e ora", "codice", "banda", "tipo", "lettura", "file");
  for (const QString& path : paths) {
    const SettingsLoad load = load_settings_file(path);
    if (!load.file) {
      text += QString("illeggibile: %1  %2\n").arg(with_italian_system_texts(settings_refusal_text(*load.refusal)), QDir::toNativeSeparators(path));
      continue;
    }
    const SettingsFile& file = *load.file;
    text += row(file.saved_at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), QString::fromStdString(file.settings.code),
                band_label(file.band), QString::fromUtf8(generation_name(file.generation)),
                file.read_out_of_step ? "fuori passo" : "in passo", QDir::toNativeSeparators(path));
  }
  out(text);
  return exit_code::done;
}

}  // namespace quarn::cli::command
