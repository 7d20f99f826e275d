#include "cli/cli_settings.h"

#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "config/settings_table.h"
#include "documents/operator_texts.h"

#include <QHash>

#include <array>

namespace quarn::cli {
namespace {

struct TextSetting {
  const char* key;
  const char* caption;
  std::string FieldValues::*member;
};

// The window's group captions, trimmed; the battery input is the list
// "Su Ing N°" inside "Batteria Scarica", the repeater code "Cod Rep" inside
// "Mono/Quarn".
constexpr std::array<TextSetting, 9> text_settings{{
    {"code", "Codice Quarn", &FieldValues::code},
    {"frequency", "Freq Tx Mhz", &FieldValues::frequency},
    {"robbery_time", "Timer per rapina", &FieldValues::robbery_time},
    {"antifall_time", "Timer Antiatterramento", &FieldValues::antifall_time},
    {"tx_count", "N° di Tx Tot", &FieldValues::tx_count},
    {"alarm_input", "N° Ing di All", &FieldValues::alarm_input},
    {"battery_input", "Batteria Scarica Su Ing N°", &FieldValues::battery_input},
    {"panic_filter", "Filtro P. All", &FieldValues::panic_filter},
    {"repeater_code", "Cod Rep", &FieldValues::repeater_code},
}};

struct OptionSetting {
  const char* key;
  const char* caption;
  bool FieldValues::*member;
  QStringList words_for_true;   // first word is the one printed
  QStringList words_for_false;
};

const std::array<OptionSetting, 4>& option_settings() {
  static const std::array<OptionSetting, 4> options{{
      {"code_mode", "Mono/Quarn", &FieldValues::quarn_mode, {"quarn"}, {"mono"}},
      {"tones", "Toni H/L", &FieldValues::low_tones, {"low", "bassi", "l"}, {"high", "alti", "h"}},
      {"battery_alarm", "Batteria Scarica", &FieldValues::battery_alarm, {"on", "si", "yes"}, {"off", "no"}},
      {"tx_mode", "TX Sing/Mult", &FieldValues::multiple_tx, {"multiple", "mult"}, {"single", "sing"}},
  }};
  return options;
}

QString all_keys() {
  QStringList keys;
  for (const auto& t : text_settings) keys << t.key;
  for (const auto& o : option_settings()) keys << o.key;
  return keys.join(", ");
}

// A text as given (read strictly, blanks and all); an option word in any case.
std::optional<OverrideProblem> apply_override(FieldValues& fields, const QString& key, const QString& value) {
  for (const auto& t : text_settings) {
    if (key != t.key) continue;
    const StrictText read = read_setting_text(*setting_named(t.key), key, value);
    if (!read.text) return OverrideProblem{settings_refusal_text(*read.refusal), true};
    fields.*t.member = *read.text;
    return std::nullopt;
  }
  for (const auto& o : option_settings()) {
    if (key != o.key) continue;
    const QString word = value.trimmed().toLower();
    if (o.words_for_true.contains(word)) {
      fields.*o.member = true;
    } else if (o.words_for_false.contains(word)) {
      fields.*o.member = false;
    } else {
      return OverrideProblem{QString("%1 vale %2 oppure %3, non \"%4\"")
                                 .arg(key, o.words_for_true.join('|'), o.words_for_false.join('|'), value.trimmed())};
    }
    return std::nullopt;
  }
  return OverrideProblem{QString("Chiave sconosciuta \"%1\"; chiavi: %2").arg(key, all_keys())};
}

}  // namespace

std::vector<SettingLine> setting_lines(const FieldValues& fields) {
  std::vector<SettingLine> lines;
  for (const auto& t : text_settings) {
    lines.push_back({t.key, QString::fromUtf8(t.caption), QString::fromStdString(fields.*t.member)});
  }
  for (const auto& o : option_settings()) {
    lines.push_back({o.key, QString::fromUtf8(o.caption),
                     fields.*o.member ? o.words_for_true.first() : o.words_for_false.first()});
  }
  return lines;
}

std::optional<OverrideProblem> apply_overrides(FieldValues& fields, const QStringList& assignments) {
  QHash<QString, QString> given;  // key: its value
  for (const QString& assignment : assignments) {
    const qsizetype equals = assignment.indexOf('=');
    if (equals <= 0) return OverrideProblem{QString("--set vuole CHIAVE=VALORE, non \"%1\"").arg(assignment)};
    const QString key = assignment.left(equals).trimmed();
    const QString value = assignment.mid(equals + 1);
    if (given.contains(key)) {
      return OverrideProblem{QString("--set: la chiave \"%1\" è data due volte (\"%2\" e \"%3\"), va data una volta sola")
                                 .arg(key, given.value(key), value)};
    }
    given.insert(key, value);
    if (const auto problem = apply_override(fields, key, value)) return problem;
  }
  return std::nullopt;
}

FieldValues settings_of_read(const MemoryRead& cells) { return decode_block(cells).values; }

SettingsFile settings_file_of_read(const MemoryRead& cells) {
  SettingsFile file;
  file.settings = settings_of_read(cells);
  file.cells = cells;
  file.generation = generation_of(cells[cell::device_type]);
  if (cells[cell::band] == band_uhf) file.band = Band::Uhf;
  if (cells[cell::band] == band_vhf) file.band = Band::Vhf;
  return file;
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

QString settings_table(const SettingsFile& file) {
  QString text;
  for (const SettingLine& line : setting_lines(file.settings)) {
    text += QString("%1 %2 (%3)\n").arg(line.caption + ':', -28).arg(line.value, -10).arg(line.key);
  }
  text += QString("%1 %2\n").arg(QString("Tipo:"), -28).arg(file.generation == Generation::New ? "New" : "Old");
  text += QString("%1 %2\n")
              .arg(QString("Banda:"), -28)
              .arg(!file.band ? QString("?") : *file.band == Band::Uhf ? QString("UHF") : QString("VHF"));
  return text;
}

}  // namespace quarn::cli
