#include "cli/steps.h"

#include "cli/messages.h"
#include "cli/setting_words.h"
#include "cli/terminal.h"
#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "config/option_rules.h"
#include "documents/operator_texts.h"

#include <algorithm>

namespace quarn::cli {
namespace {

// A text is read as a file's (read_setting_text: a decimal comma is the
// point, blanks are kept and refused); an option takes its word.
std::optional<Failure> apply_assignments(FieldValues& fields, const QStringList& assignments) {
  for (const QString& checked : assignments) {
    const Assignment a = assignment_of(checked);
    if (a.setting->option) {
      fields.*a.setting->option = option_of_word(*a.setting, a.value).value_or(false);
      continue;
    }
    const StrictText read = read_setting_text(*a.setting, QString::fromUtf8(a.setting->name), a.value);
    if (!read.text) return TextRefused{*read.refusal};
    fields.*a.setting->text = *read.text;
  }
  return std::nullopt;
}

}  // namespace

int say(const Failure& failure) {
  const Said s = said(failure);
  err(s.text);
  return s.exit;
}

DeviceOptions device_options(const Invocation& invocation) {
  const Arguments& a = invocation.arguments;
  return {.port_number = invocation.port.number,
          .device = invocation.port.device,
          .ready_timeout_s = a.timeout_s,
          .trace = invocation.trace,
          .progress = standard_error_is_terminal(),
          .back_up = !a.no_backup,
          .stops = invocation.stops};
}

Result<SettingsFile> load_file(const QString& path) {
  const SettingsLoad load = load_settings_file(path);
  if (!load.file) return FileRefused{.path = path, .refusal = *load.refusal};
  return *load.file;
}

Result<FileSettings> file_settings(const Invocation& invocation) {
  const QString& path = invocation.arguments.positional.front();
  const Result<SettingsFile> loaded = load_file(path);
  if (!loaded.ok()) return loaded.failure();
  // A backup of a read out of step keeps its cells as evidence only.
  if (loaded->read_out_of_step) {
    err(QString("Attenzione: %1 viene da una lettura fuori passo: le sue celle possono essere spostate\n").arg(path));
  }
  FileSettings settings{.file = loaded.value(), .fields = loaded->settings};
  if (auto refused = apply_assignments(settings.fields, invocation.arguments.sets)) return *refused;
  return settings;
}

ParameterBlock image_of_file(const SettingsFile& file, const FieldValues& fields) {
  MemoryRead cells{};
  if (file.cells) {
    cells = *file.cells;
  } else {
    const MemoryImage defaults = factory_default_cells(file.band.value_or(Band::Uhf), file.generation);
    std::copy_n(defaults.begin(), read_count, cells.begin());
  }
  ParameterBlock image;
  for (int a = 0; a < block_size; ++a) image.cells[a] = cells[a];
  image.device_type = cells[cell::device_type];
  // A file that names no band (and holds no cells) is checked against none,
  // not against the factory set's: the unit's own band decides when it is
  // programmed.
  image.band = file.cells || file.band ? cells[cell::band] : 0;
  apply_options(image, fields);
  return image;
}

ParameterBlock image_for_device(ParameterBlock image, const MemoryRead& device) {
  image.device_type = device[cell::device_type];
  image.band = device[cell::band];
  return image;
}

Result<ProgrammingRun> encode(ParameterBlock image, const FieldValues& typed) {
  const FieldValues fields = with_option_rules(typed, generation_of(image.device_type));
  apply_options(image, fields);
  ProgrammingRun run = encode_block(image, fields);
  if (const auto warning = run_warning_text(run)) err(*warning + '\n');
  if (run.refusal) return SettingsRefused{*run.refusal};
  return run;
}

Result<ReadResult> connect_and_read(DeviceSession& device) {
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return ConnectFailed{.outcome = outcome, .timed_out = timed_out, .port = device.portLabel()};
  return read;
}

bool read_is_sound(const ReadResult& read) {
  const DecodedBlock decoded = decode_block(read.cells);
  return !read.out_of_step && !(decoded.is_new && decoded.checksum_mismatch);
}

std::optional<Failure> check_read_for_programming(const ReadResult& read) {
  if (read.out_of_step) return ReadOutOfStep{};
  if (!read_is_sound(read)) err(checksum_rewritten_note());
  return std::nullopt;
}

std::optional<Failure> write_failure(const WriteResult& result, const std::vector<std::uint8_t>& writes,
                                     const QString& backup) {
  if (result.writes_completed && result.verified()) return std::nullopt;
  return WriteFailed{.result = result, .writes = writes, .backup = backup};
}

QString band_label(const std::optional<Band>& band) {
  if (!band) return QStringLiteral("?");
  return QString::fromUtf8(band_name(*band));
}

}  // namespace quarn::cli
