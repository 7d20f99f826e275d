// Settings files in the main window: Ctrl+S, Ctrl+O and a dropped file.

#include "config/block_encoding.h"
#include "config/settings_table.h"
#include "documents/operator_texts.h"
#include "documents/settings_file.h"
#include "ui/field_bindings.h"
#include "ui/notifier.h"
#include "ui/principale.h"

#include <QDragEnterEvent>
#include <QDropEvent>
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
  if (block_.band == band_uhf) file.band = Band::Uhf;
  if (block_.band == band_vhf) file.band = Band::Vhf;
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
// into the connected transmitter, changes no field: one box says why.
void Principale::loadSettingsFrom(const QString& path) {
  const SettingsLoad load = load_settings_file(path);
  if (load.refusal) {
    notifier_.message(settings_refusal_text(*load.refusal), Notifier::Icon::Exclamation);
    return;
  }
  ParameterBlock image = block_;
  apply_options(image, load.file->settings);
  const ProgrammingRun run = encode_block(image, load.file->settings);
  if (run.refusal) {
    notifier_.message(refusal_text(*run.refusal), Notifier::Icon::Exclamation);
    return;
  }
  showSettings(load.file->settings);
  if (load.file->read_out_of_step) notifier_.message(message_doubtful_backup, Notifier::Icon::Exclamation);
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
