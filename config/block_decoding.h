#pragma once
// Turning the 63 cells of a read into what the main window shows. Pure: the
// window only applies the result.

#include "config/field_values.h"
#include "config/parameter_block.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quarn {

using MemoryRead = std::array<std::uint8_t, read_count>;  // cells 0 to 62

// What to do with a pair of option buttons whose cell holds 0 or 1.
enum class OptionChoice {
  SelectForZero,  // the option that stands for 0 (Alti, Sing, No, Quarn)
  SelectForOne,   // the option that stands for 1 (Bassi, Mult, Si, Mono)
  Beep,           // unknown value: one beep, selection unchanged
  LeaveUnchanged  // unknown value: nothing at all
};

struct DecodedBlock {
  ParameterBlock block;        // cells 0 to 36, device type and band as read;
                               // block_checksum computed for a New device
  bool is_new = false;         // device type 78
  bool checksum_mismatch = false;  // New device whose cell 61 differs
  std::string type_label;      // "New" or "Old"

  // Field texts, in the order the window fills them.
  std::string code;
  std::string frequency;
  std::optional<std::string> alarm_input;    // nullopt: leave the text as it is
  std::optional<std::string> battery_input;  // nullopt: leave the text as it is
  OptionChoice tones = OptionChoice::LeaveUnchanged;
  OptionChoice tx_mode = OptionChoice::LeaveUnchanged;
  std::string robbery_time;
  std::string antifall_time;
  std::string tx_count;
  OptionChoice battery_alarm = OptionChoice::LeaveUnchanged;
  std::string panic_filter;
  std::string repeater_code;
  OptionChoice code_mode = OptionChoice::LeaveUnchanged;
  std::optional<std::string> band_text;      // "  UHF", "  VHF"; nullopt: unchanged
};

DecodedBlock decode_block(const MemoryRead& memory);

// The settings a read shows, as a programming run takes them. What the read
// leaves unchanged in the window (a Mono mask naming no input, an option cell
// that beeps or is left alone) keeps the FieldValues default: an empty text,
// Quarn coding, high tones, battery-low alarm on, multiple transmission.
FieldValues field_values_of(const DecodedBlock& decoded);

}  // namespace quarn
