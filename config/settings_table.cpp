#include "config/settings_table.h"

#include <algorithm>

namespace quarn {

namespace {

constexpr std::array<CellSpan, 2> one_cell(int address) { return {CellSpan{address, 1}}; }

// 64 x (256 x 255 + 255) + 126 / 2: the highest channel that cells 10 to 12
// can hold as bytes.
constexpr int highest_channel = 64 * (256 * 255 + 255) + 63;

constexpr ValueRange option_range{0, 1};

constexpr SettingDeclaration declarations[] = {
    {.key = SettingKey::Frequency,
     .name = "frequency",
     .kind = SettingKind::Frequency,
     .cells = {CellSpan{cell::freq_b_high, 3}},
     .limits = {0, highest_channel},
     .text = &FieldValues::frequency,
     .typed = TypedCharacters::DigitsAndPoint},
    {.key = SettingKey::Code,
     .name = "code",
     .kind = SettingKind::CodePacket,
     .cells = {CellSpan{cell::alarm_packet, packet_size}, CellSpan{cell::battery_packet, packet_size}},
     .limits = {0, 65535},
     .text = &FieldValues::code,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::AlarmInput,
     .name = "alarm_input",
     .kind = SettingKind::ListValue,
     .carrier_packet = cell::alarm_packet,
     .limits = {1, 8},
     .text = &FieldValues::alarm_input},
    {.key = SettingKey::BatteryInput,
     .name = "battery_input",
     .kind = SettingKind::ListValue,
     .carrier_packet = cell::battery_packet,
     .limits = {1, 8},
     .text = &FieldValues::battery_input},
    {.key = SettingKey::TxCount,
     .name = "tx_count",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::tx_count),
     .limits = byte_range,
     .text = &FieldValues::tx_count},
    {.key = SettingKey::PanicFilter,
     .name = "panic_filter",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::panic_filter),
     .limits = byte_range,
     .text = &FieldValues::panic_filter},
    {.key = SettingKey::RobberyTime,
     .name = "robbery_time",
     .kind = SettingKind::Number,
     .cells = one_cell(cell::robbery_time),
     .limits = byte_range,
     .text = &FieldValues::robbery_time,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::AntifallTime,
     .name = "antifall_time",
     .kind = SettingKind::Number,
     .cells = one_cell(cell::antifall_time),
     .limits = byte_range,
     .text = &FieldValues::antifall_time,
     .typed = TypedCharacters::Digits},
    {.key = SettingKey::RepeaterCode,
     .name = "repeater_code",
     .kind = SettingKind::ListValue,
     .cells = one_cell(cell::repeater_code),
     .limits = byte_range,
     .text = &FieldValues::repeater_code},
    // Options: "Bassi", "Si", "Mult" and "Quarn" stand for true.
    {.key = SettingKey::Tones,
     .name = "tones",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::tones),
     .limits = option_range,
     .option = &FieldValues::low_tones,
     .value_when_true = 1},
    {.key = SettingKey::BatteryAlarm,
     .name = "battery_alarm",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::battery_alarm),
     .limits = option_range,
     .option = &FieldValues::battery_alarm,
     .value_when_true = 1},
    {.key = SettingKey::TxMode,
     .name = "tx_mode",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::tx_mode),
     .limits = option_range,
     .option = &FieldValues::multiple_tx,
     .value_when_true = 1},
    {.key = SettingKey::CodeMode,
     .name = "code_mode",
     .kind = SettingKind::OptionPair,
     .cells = one_cell(cell::code_mode),
     .limits = option_range,
     .option = &FieldValues::quarn_mode,
     .value_when_true = 0},
};

// setting() indexes the table by key.
constexpr bool declared_in_key_order() {
  for (std::size_t i = 0; i < std::size(declarations); ++i) {
    if (declarations[i].key != static_cast<SettingKey>(i)) return false;
  }
  return std::size(declarations) == static_cast<std::size_t>(SettingKey::CodeMode) + 1;
}
static_assert(declared_in_key_order(), "one declaration per SettingKey, in key order");

}  // namespace

std::span<const SettingDeclaration> setting_declarations() { return declarations; }

const SettingDeclaration& setting(SettingKey key) { return declarations[static_cast<std::size_t>(key)]; }

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

void apply_options(ParameterBlock& image, const FieldValues& values) {
  for (const SettingDeclaration& declaration : declarations) {
    if (declaration.kind != SettingKind::OptionPair) continue;
    image.cells[static_cast<std::size_t>(declaration.cell())] =
        option_cell_value(declaration, values.*declaration.option);
  }
}

}  // namespace quarn
