#include "config/settings_table.h"

#include <algorithm>

namespace quarn {

namespace {

constexpr std::array<CellSpan, 2> one_cell(int address) { return {CellSpan{address, 1}}; }

// 64 x (256 x 255 + 255) + 126 / 2: the highest channel that cells 10 to 12
// can hold as bytes.
constexpr int highest_channel = 64 * (256 * 255 + 255) + 63;

constexpr ValueRange option_range{0, 1};

// In the order of setting_declarations(); setting() finds them by key.
constexpr SettingDeclaration declarations[] = {
    {.key = SettingKey::Code,
     .name = "code",
     .caption = "Codice Quarn",
     .kind = SettingKind::CodePacket,
     .cells = {CellSpan{cell::alarm_packet, packet_size}, CellSpan{cell::battery_packet, packet_size}},
     .limits = {0, 65535},
     .text = &FieldValues::code,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::Frequency,
     .name = "frequency",
     .caption = "Freq Tx Mhz",
     .unit = "MHz",
     .kind = SettingKind::Frequency,
     .cells = {CellSpan{cell::freq_b_high, 3}},
     .limits = {0, highest_channel},
     .text = &FieldValues::frequency,
     .typed = TypedCharacters::DigitsAndPoint},
    {.key = SettingKey::RobberyTime,
     .name = "robbery_time",
     .caption = "Timer per rapina",
     .unit = "s",
     .kind = SettingKind::Number,
     .cells = one_cell(cell::robbery_time),
     .limits = byte_range,
     .text = &FieldValues::robbery_time,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::AntifallTime,
     .name = "antifall_time",
     .caption = "Timer Antiatterramento",
     .unit = "s",
     .kind = SettingKind::Number,
     .cells = one_cell(cell::antifall_time),
     .limits = byte_range,
     .text = &FieldValues::antifall_time,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::TxCount,
     .name = "tx_count",
     .caption = "N° di Tx Tot",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::tx_count),
     .limits = byte_range,
     .text = &FieldValues::tx_count},
    {.key = SettingKey::AlarmInput,
     .name = "alarm_input",
     .caption = "N° Ing di All",
     .kind = SettingKind::ListValue,
     .carrier_packet = cell::alarm_packet,
     .limits = {1, 8},
     .text = &FieldValues::alarm_input},
    // The list "Su Ing N°" inside the group "Batteria Scarica".
    {.key = SettingKey::BatteryInput,
     .name = "battery_input",
     .caption = "Batteria Scarica Su Ing N°",
     .kind = SettingKind::ListValue,
     .carrier_packet = cell::battery_packet,
     .limits = {1, 8},
     .text = &FieldValues::battery_input},
    {.key = SettingKey::PanicFilter,
     .name = "panic_filter",
     .caption = "Filtro P. All",
     .unit = "s",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::panic_filter),
     .limits = byte_range,
     .text = &FieldValues::panic_filter},
    // The list "Cod Rep" inside the group "Mono/Quarn".
    {.key = SettingKey::RepeaterCode,
     .name = "repeater_code",
     .caption = "Cod Rep",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::repeater_code),
     .limits = byte_range,
     .text = &FieldValues::repeater_code},
    // Options: "Quarn", "Bassi", "Si" and "Mult" stand for true.
    {.key = SettingKey::CodeMode,
     .name = "code_mode",
     .caption = "Mono/Quarn",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::code_mode),
     .limits = option_range,
     .option = &FieldValues::quarn_mode,
     .value_when_true = 0,
     .choices = {OptionWord{"quarn"}, OptionWord{"mono"}}},
    {.key = SettingKey::Tones,
     .name = "tones",
     .caption = "Toni H/L",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::tones),
     .limits = option_range,
     .option = &FieldValues::low_tones,
     .value_when_true = 1,
     .choices = {OptionWord{"high", {"alti", "h"}}, OptionWord{"low", {"bassi", "l"}}}},
    {.key = SettingKey::BatteryAlarm,
     .name = "battery_alarm",
     .caption = "Batteria Scarica",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::battery_alarm),
     .limits = option_range,
     .option = &FieldValues::battery_alarm,
     .value_when_true = 1,
     .choices = {OptionWord{"off", {"no"}}, OptionWord{"on", {"si", "yes"}}},
     .file_flag = true,
     .quiet_when_unknown = true},
    {.key = SettingKey::TxMode,
     .name = "tx_mode",
     .caption = "TX Sing/Mult",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::tx_mode),
     .limits = option_range,
     .option = &FieldValues::multiple_tx,
     .value_when_true = 1,
     .choices = {OptionWord{"single", {"sing"}}, OptionWord{"multiple", {"mult"}}}},
};

// Where each key's declaration stands in the table: one declaration per key.
constexpr std::array<std::size_t, setting_count> position_of_key = [] {
  std::array<std::size_t, setting_count> positions{};
  positions.fill(setting_count);
  for (std::size_t i = 0; i < std::size(declarations); ++i) {
    positions[static_cast<std::size_t>(declarations[i].key)] = i;
  }
  return positions;
}();

constexpr bool one_declaration_per_key() {
  if (std::size(declarations) != setting_count) return false;
  return std::ranges::none_of(position_of_key, [](std::size_t position) { return position == setting_count; });
}
static_assert(one_declaration_per_key(), "one declaration per SettingKey");

// None yet: "site" and "note" are to come with the version that adds them.
constexpr std::array<OptionalTextKey, 0> optional_texts{};

constexpr bool no_key_past_the_version() {
  return std::ranges::all_of(declarations, [](const SettingDeclaration& d) { return d.first_version <= settings_version; }) &&
         std::ranges::all_of(optional_texts, [](const OptionalTextKey& k) { return k.first_version <= settings_version; });
}
static_assert(no_key_past_the_version(), "a key first held by a version above settings_version");

const SettingsTable table{declarations, optional_texts, settings_version};

}  // namespace

std::span<const SettingDeclaration> setting_declarations() { return declarations; }

const SettingsTable& settings_table() { return table; }

const SettingDeclaration& setting(SettingKey key) {
  return declarations[position_of_key[static_cast<std::size_t>(key)]];
}

const SettingDeclaration* setting_named(std::string_view name) {
  const auto found = std::ranges::find(declarations, name, &SettingDeclaration::name);
  return found == std::end(declarations) ? nullptr : found;
}

const SettingDeclaration* setting_for_cell(int address) {
  for (const SettingDeclaration& declaration : declarations) {
    for (const CellSpan& span : declaration.cells) {
      if (address >= span.first && address < span.first + span.count) return &declaration;
    }
  }
  return nullptr;
}

std::uint8_t option_cell_value(const SettingDeclaration& option, bool chosen) {
  return chosen ? option.value_when_true : static_cast<std::uint8_t>(1 - option.value_when_true);
}

const OptionWord& option_word(const SettingDeclaration& option, bool chosen) {
  return option.choices[option_cell_value(option, chosen)];
}

void apply_options(ParameterBlock& image, const FieldValues& values) {
  for (const SettingDeclaration& declaration : declarations) {
    if (declaration.kind != SettingKind::OptionPair) continue;
    image.cells[static_cast<std::size_t>(declaration.cell())] =
        option_cell_value(declaration, values.*declaration.option);
  }
}

}  // namespace quarn
