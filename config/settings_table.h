#pragma once
// One declaration per transmitter setting: its stable key, the cells it
// occupies, how it is written, its limits and where FieldValues keeps it.
// Programming, reading, the factory sets and the option buttons take cells
// and members from here; the other cells of the block are the device
// constants and kept cells of cell_map.h.

#include "config/cell_map.h"
#include "config/field_values.h"
#include "config/parameter_block.h"
#include "config/typed_characters.h"
#include "config/value_range.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace quarn {

// In the order a programming run takes the settings, which is the order of
// its refusals.
enum class SettingKey {
  Frequency,
  Code,
  AlarmInput,
  BatteryInput,
  TxCount,
  PanicFilter,
  RobberyTime,
  AntifallTime,
  RepeaterCode,
  Tones,
  BatteryAlarm,
  TxMode,
  CodeMode,
};

enum class SettingKind {
  Number,      // a typed number, stored in its cell as it is
  ListValue,   // a number picked from or typed into a list
  OptionPair,  // two option buttons; the cell holds 0 or 1
  Frequency,   // MHz, stored as a channel count over three cells
  CodePacket,  // the device code, carried in both nine-byte packets
};

struct CellSpan {
  int first = 0;
  int count = 0;  // 0: no span
};

struct SettingDeclaration {
  SettingKey key;
  std::string_view name;  // stable snake_case key for files and command lines
  SettingKind kind;
  // The cells this setting alone holds: the code holds both packets whole,
  // the frequency three cells, every other setting with cells one.
  std::array<CellSpan, 2> cells{};
  // The alarm and battery inputs hold no cell of their own: each rides in
  // the packet that starts here, one of the code's.
  int carrier_packet = -1;
  // Accepted values as encoded: a cell's value, a channel count, a code, an
  // input number.
  ValueRange limits;
  std::string FieldValues::*text = nullptr;  // every kind but OptionPair
  // What the window's filter of the setting's text field accepts as typed.
  TypedCharacters typed = TypedCharacters::Any;
  bool FieldValues::*option = nullptr;       // OptionPair only
  std::uint8_t value_when_true = 0;          // OptionPair: the cell value that `option` true stands for

  int cell() const { return cells[0].first; }
};

// Limits that Mono coding sets beyond the table's: the code fits ten bits
// and, with low tones, the repeater code the six bits above them in the high
// code byte.
inline constexpr ValueRange mono_code_limits{0, 1023};
inline constexpr ValueRange mono_repeater_limits{0, 63};

// Every setting, in SettingKey order.
std::span<const SettingDeclaration> setting_declarations();

const SettingDeclaration& setting(SettingKey key);

// nullptr when no setting has that name.
const SettingDeclaration* setting_named(std::string_view name);

// The setting that holds a cell of the block; nullptr for the device
// constants, the kept cells and any address past the block.
const SettingDeclaration* setting_for_cell(int address);

// The value an option pair's cell holds when its FieldValues bool is `chosen`.
std::uint8_t option_cell_value(const SettingDeclaration& option, bool chosen);

// Stores the cells of the four option pairs (tones, battery alarm, transmission
// mode, code mode) as selecting those options in the window does.
void apply_options(ParameterBlock& image, const FieldValues& values);

}  // namespace quarn
