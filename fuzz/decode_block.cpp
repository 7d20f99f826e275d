// decode_block of any 63 cells, then what the window would do next: the
// settings the read shows (field_values_of, with what the window held where
// the read leaves a field alone), fed back as the fields of a programming run
// over the image the read left, either are refused for a reason the cells
// give, or encode into cells that decode to the same meaning.
//
// Input: the 63 cells read (missing ones are 0), then up to three bytes for
// what the window held before the read, which stays where the read leaves a
// field unchanged (missing: "1", "1", Quarn coding, high tones):
//   byte 63  the alarm input text: value mod 9, 0 being "", else "1" to "8"
//   byte 64  the battery input text, the same way
//   byte 65  bit 0: Mono coding selected, bit 1: low tones selected, bit 2:
//            battery-low alarm off, bit 3: single transmission
//
// Known ways the meaning may change, checked as such:
// - An odd cell 12 is half a channel; the run programs the next whole
//   channel, 0.00625 MHz higher.
// - A coding cell other than 0 or 1 decodes by the Mono rule but leaves the
//   coding options as they were. With Quarn selected the run builds Quarn
//   packets, which the Mono rule reads back as input 1; the inputs are not
//   compared then.
// - Options with a cell other than 0 or 1 keep the window's selection; the
//   cell itself is sent back unchanged.
// - Mono inputs whose mask is not a single bit leave the input text as it
//   was, and that text is what is programmed.

#include "config/block_decoding.h"
#include "config/block_encoding.h"
#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/settings_table.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using quarn::OptionChoice;

// The option the window shows after the read: the cell's, or the one it held.
bool selected_for_one(OptionChoice choice, bool held) {
  if (choice == OptionChoice::SelectForZero) return false;
  if (choice == OptionChoice::SelectForOne) return true;
  return held;
}

// The input text the window held: 0 is the empty text.
std::string input_text(std::uint8_t held) { return held % 9 == 0 ? std::string() : std::to_string(held % 9); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quarn::MemoryRead memory{};
  std::memcpy(memory.data(), data, std::min(size, memory.size()));
  const auto held = [&](std::size_t index, std::uint8_t missing) {
    return size > memory.size() + index ? data[memory.size() + index] : missing;
  };
  const std::uint8_t held_options = held(2, 0);

  const quarn::DecodedBlock decoded = quarn::decode_block(memory);

  quarn::FieldValues fields = quarn::field_values_of(decoded);
  if (!decoded.alarm_input) fields.alarm_input = input_text(held(0, 1));
  if (!decoded.battery_input) fields.battery_input = input_text(held(1, 1));
  fields.quarn_mode = !selected_for_one(decoded.code_mode, (held_options & 1) != 0);
  fields.low_tones = selected_for_one(decoded.tones, (held_options & 2) != 0);
  fields.battery_alarm = selected_for_one(decoded.battery_alarm, (held_options & 4) == 0);
  fields.multiple_tx = selected_for_one(decoded.tx_mode, (held_options & 8) == 0);

  const quarn::ProgrammingRun run = quarn::encode_block(decoded.block, fields);
  // Mono coding with low tones carries the repeater code in the code byte.
  const bool repeater_in_code = !fields.quarn_mode && fields.low_tones;
  if (run.refusal) {
    using quarn::SettingKey;
    const quarn::Refusal& refusal = *run.refusal;
    const double mhz = quarn::numeric_value(decoded.frequency);
    FUZZ_CHECK(refusal.setting.has_value());
    if (refusal.reason == quarn::RefusalReason::OutsideBand) {
      FUZZ_CHECK(*refusal.setting == SettingKey::Frequency && !quarn::within_band_limits(decoded.block.band, mhz));
    } else if (*refusal.setting == SettingKey::Frequency) {
      // Channel 4194304 (64 x 256 x 256) and above is more than cells 10 to 12
      // hold; 0.01 MHz below a channel counts as that channel.
      FUZZ_CHECK(refusal.reason == quarn::RefusalReason::OutOfRange && mhz >= 4194304 * 0.0125 - 0.01);
    } else if (*refusal.setting == SettingKey::RepeaterCode) {
      FUZZ_CHECK(repeater_in_code && memory[quarn::cell::repeater_code] > 63);
    } else if (*refusal.setting == SettingKey::AlarmInput) {
      FUZZ_CHECK(fields.alarm_input.empty());
    } else {
      FUZZ_CHECK(*refusal.setting == SettingKey::BatteryInput && fields.battery_input.empty());
    }
    return 0;
  }

  FUZZ_CHECK(run.writes.size() == (decoded.is_new ? 62u : 34u));
  quarn::MemoryRead programmed = memory;
  std::copy(run.writes.begin(), run.writes.end(), programmed.begin());
  const quarn::DecodedBlock read_back = quarn::decode_block(programmed);

  FUZZ_CHECK(read_back.type_label == decoded.type_label);
  FUZZ_CHECK(!read_back.checksum_mismatch);
  FUZZ_CHECK(read_back.code == decoded.code);
  if (memory[quarn::cell::freq_a_x2] % 2 == 0) {
    FUZZ_CHECK(read_back.frequency == decoded.frequency);
  } else {
    const double next_channel = quarn::numeric_value(decoded.frequency) + 0.00625;
    FUZZ_CHECK(read_back.frequency == quarn::decimal_text(next_channel));
  }
  const bool coding_unknown = decoded.code_mode == OptionChoice::Beep;
  if (!(coding_unknown && fields.quarn_mode)) {
    FUZZ_CHECK(read_back.alarm_input == fields.alarm_input);
    FUZZ_CHECK(read_back.battery_input == fields.battery_input);
  }
  FUZZ_CHECK(read_back.tones == decoded.tones);
  FUZZ_CHECK(read_back.tx_mode == decoded.tx_mode);
  FUZZ_CHECK(read_back.battery_alarm == decoded.battery_alarm);
  FUZZ_CHECK(read_back.code_mode == decoded.code_mode);
  FUZZ_CHECK(read_back.robbery_time == decoded.robbery_time);
  FUZZ_CHECK(read_back.antifall_time == decoded.antifall_time);
  FUZZ_CHECK(read_back.tx_count == decoded.tx_count);
  FUZZ_CHECK(read_back.panic_filter == decoded.panic_filter);
  FUZZ_CHECK(read_back.repeater_code == decoded.repeater_code);
  FUZZ_CHECK(read_back.band_text == decoded.band_text);
  return 0;
}
