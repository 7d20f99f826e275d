// Settings files in the main window: Ctrl+S, Ctrl+O and a dropped file.

#include "config/block_encoding.h"
#include "config/settings_table.h"
#include "documents/operator_texts.h"
#include "documents/settings_file.h"
#include "ui/field_bindings.h"
#include "ui/help_line.h"
#include "ui/notifier.h"
#include "ui/principale.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>

namespace quarn {
namespace {

// The one local file a drag carries, if that is what it carries.
QString dropped_file(const QMimeData* data) {
  if (!data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return {};
  return data->urls().front().toLocalFile();
}

}  // namespace

void Principale::saveSettings() {
  SettingsFile file;
  file.settings = fieldValues();
  file.cells = session_.lastRead();
  file.generation = generation_of(block_.device_type);
  file.band = band_of_byte(block_.band);
  const QString code = QString::fromStdString(file.settings.code).trimmed();
  const QString path = notifier_.chooseFileToSave(QStringLiteral("quarn-%1.json").arg(code.isEmpty() ? "impostazioni" : code));
  if (path.isEmpty()) return;
  if (const auto error = save_settings_file(path, file)) {
    notifier_.message(file_error_text(*error), Notifier::Icon::Exclamation);
  }
}

void Principale::openSettings() {
  const QString path = notifier_.chooseFileToOpen(backups_folder_);  // a backup is a settings file
  if (!path.isEmpty()) loadSettingsFrom(path);
}

// A file that cannot be loaded, or whose settings could not be programmed
// into the connected transmitter, changes no field: one box says why. A file
// opened before a connect's read is kept for it: the read fills the fields,
// and the technician then says whether the file is meant for that unit.
void Principale::loadSettingsFrom(const QString& path) {
  const SettingsLoad load = load_settings_file(path);
  if (load.refusal) {
    notifier_.message(settings_refusal_text(*load.refusal), Notifier::Icon::Exclamation);
    return;
  }
  if (!applySettings(*load.file)) return;
  const bool read_to_come = controls_.txb_stato_con->text() != state_text::connected || connect_reading_;
  pending_file_.reset();
  if (read_to_come) pending_file_ = PendingFile{path, *load.file};
  if (load.file->read_out_of_step) notifier_.message(message_doubtful_backup, Notifier::Icon::Exclamation);
}

bool Principale::applySettings(const SettingsFile& file) {
  ParameterBlock image = block_;
  apply_options(image, file.settings);
  const ProgrammingRun run = encode_block(image, file.settings);
  if (run.refusal) {
    notifier_.message(refusal_text(*run.refusal), Notifier::Icon::Exclamation);
    return false;
  }
  showSettings(file.settings);
  return true;
}

void Principale::offerPendingFile() {
  const PendingFile pending = *std::exchange(pending_file_, std::nullopt);
  const QString name = QFileInfo(pending.path).fileName();
  if (notifier_.question(QString("Applicare le impostazioni di %1 a questo trasmettitore?").arg(name), true) &&
      applySettings(pending.file)) {
    help_line_->say(QString(" I campi mostrano le impostazioni di %1, non ancora programmate").arg(name));
  } else {
    help_line_->say(QString(" I campi mostrano i valori letti dal trasmettitore; %1 non è stato applicato").arg(name));
  }
}

// As the technician would: the texts typed (each runs its filter) and the
// options picked (each stores its cell in the image).
void Principale::showSettings(const FieldValues& values) {
  for (const FieldBinding& binding : field_bindings) show_field(controls_, binding, values);
}

void Principale::dragEnterEvent(QDragEnterEvent* event) {
  if (!dropped_file(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Principale::dropEvent(QDropEvent* event) {
  const QString path = dropped_file(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  loadSettingsFrom(path);
}

}  // namespace quarn
