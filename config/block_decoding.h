#pragma once
// Turning the 63 cells of a read into what the main window shows, setting by
// setting as the table declares them. Pure: the window only applies the result.

#include "config/field_values.h"
#include "config/parameter_block.h"
#include "config/settings_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quarn {

using MemoryRead = std::array<std::uint8_t, read_count>;  // cells 0 to 62

// What a read asks the window to do with one setting's field.
enum class FieldUpdate {
  Show,  // show the value read (DecodedBlock::values)
  Beep,  // an option cell that holds neither 0 nor 1: one beep, selection unchanged
  Keep,  // nothing at all: a Mono mask that names no input, a quiet option's unknown value
};

struct DecodedBlock {
  ParameterBlock block;        // cells 0 to 36, device type and band as read;
                               // block_checksum computed for a New device
  bool is_new = false;         // device type 78
  bool checksum_mismatch = false;  // New device whose cell 61 differs
  std::string type_label;      // "New" or "Old"

  // The settings a read shows, as a programming run takes them. What the
  // read leaves unchanged in the window (update Beep or Keep) keeps the
  // FieldValues default: an empty text, Quarn coding, high tones,
  // battery-low alarm on, multiple transmission.
  FieldValues values;
  std::array<FieldUpdate, setting_count> updates{};  // by SettingKey
  std::optional<std::string> band_text;      // "  UHF", "  VHF"; nullopt: unchanged

  FieldUpdate update(SettingKey key) const { return updates[static_cast<std::size_t>(key)]; }
};

DecodedBlock decode_block(const MemoryRead& memory);

}  // namespace quarn
