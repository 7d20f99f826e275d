#pragma once
// One declaration per transmitter setting: its stable key, the caption and
// unit a front end shows, the cells it occupies, how it is written, its
// limits, the words of its options and where FieldValues keeps it.
// Programming, reading, the factory sets, the settings file, quarnctl and the
// window's bindings all loop over this table; the other cells of the block
// are the device constants and kept cells of cell_map.h.

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

// One of an option pair's two choices as the front ends name it.
struct OptionWord {
  std::string_view word;                  // what files and quarnctl write: "high"
  std::array<std::string_view, 2> also{};  // what quarnctl --set also takes: "alti", "h"
};

struct SettingDeclaration {
  SettingKey key;
  std::string_view name;     // stable snake_case key for files and command lines
  std::string_view caption;  // the window's caption of the setting, in Italian: "Timer per rapina"
  std::string_view unit{};   // of the value as typed: "MHz", "s", or none
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
  // OptionPair: the choices by the value their cell holds, 0 then 1.
  std::array<OptionWord, 2> choices{};
  // OptionPair: the settings file holds the option as JSON true or false
  // (the FieldValues member) instead of its word.
  bool file_flag = false;
  // OptionPair: a read whose cell holds neither 0 nor 1 leaves the buttons
  // as they are without the beep it otherwise gives.
  bool quiet_when_unknown = false;
  // The settings file's format version that first holds the setting; a file
  // of an earlier version is read with the value its cells hold.
  int first_version = 1;

  int cell() const { return cells[0].first; }
};

// Limits that Mono coding sets beyond the table's: the code fits ten bits
// and, with low tones, the repeater code the six bits above them in the high
// code byte.
inline constexpr ValueRange mono_code_limits{0, 1023};
inline constexpr ValueRange mono_repeater_limits{0, 63};

inline constexpr std::size_t setting_count = static_cast<std::size_t>(SettingKey::CodeMode) + 1;

// Every setting, in the order files, listings and help name them: the texts
// as the window shows them top to bottom, then the options.
std::span<const SettingDeclaration> setting_declarations();

// A key of the settings file that carries no cell: a text the file keeps for
// the people who use it (where the unit is fitted, a remark). Optional, so a
// file of any version may leave it out.
struct OptionalTextKey {
  std::string_view name;  // a top-level key of the file
  int first_version = 1;
};

// The history of the settings file's format: the version this program writes,
// and for each key the version that first holds it. Any change to the keys
// raises `version` (docs/settings-file.md, "Versioning"); a program reads
// every version from 1 to it.
inline constexpr int settings_version = 1;

struct SettingsTable {
  std::span<const SettingDeclaration> settings;
  std::span<const OptionalTextKey> optional_texts;
  int version = settings_version;
};

// This program's table: setting_declarations(), its optional texts (none yet).
const SettingsTable& settings_table();

const SettingDeclaration& setting(SettingKey key);

// nullptr when no setting has that name.
const SettingDeclaration* setting_named(std::string_view name);

// The setting that holds a cell of the block; nullptr for the device
// constants, the kept cells and any address past the block.
const SettingDeclaration* setting_for_cell(int address);

// The value an option pair's cell holds when its FieldValues bool is `chosen`.
std::uint8_t option_cell_value(const SettingDeclaration& option, bool chosen);

// The words of the choice an option pair's FieldValues bool `chosen` stands for.
const OptionWord& option_word(const SettingDeclaration& option, bool chosen);

// Stores the cells of the four option pairs (tones, battery alarm, transmission
// mode, code mode) as selecting those options in the window does.
void apply_options(ParameterBlock& image, const FieldValues& values);

}  // namespace quarn
