#include "cli/commands/commands.h"

#include "cli/setting_words.h"
#include "cli/terminal.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {
namespace {

// Caption, value and key of each setting; then the device's type and band.
QString settings_table(const SettingsFile& file) {
  QString text;
  for (const SettingLine& line : setting_lines(file.settings)) {
    text += QString("%1 %2 (%3)\n").arg(line.caption + ':', -28).arg(line.value, -10).arg(line.key);
  }
  text += QString("%1 %2\n").arg(QString("Tipo:"), -28).arg(QString::fromUtf8(generation_name(file.generation)));
  text += QString("%1 %2\n").arg(QString("Banda:"), -28).arg(band_label(file.band));
  return text;
}

}  // namespace

// Only a read that can be trusted is kept or shown: a file written from a
// misread would later program the misread values.
Result<int> read(const Invocation& invocation) {
  const Arguments& a = invocation.arguments;
  DeviceSession device(device_options(invocation));
  const Result<ReadResult> read = connect_and_read(device);
  if (!read.ok()) return read.failure();
  device.end(letter::end);
  if (!read_is_sound(read.value())) return UntrustedRead{};
  const SettingsFile file = settings_file_of_read(read->cells);
  if (!a.output.isEmpty()) {
    if (auto problem = save_settings_file(a.output, file)) return FileNotSaved{*problem};
  } else if (a.json) {
    out(QString::fromUtf8(to_json(file)));
  } else {
    out(settings_table(file));
  }
  return exit_code::done;
}

}  // namespace quarn::cli::command
