// decode_block of any 63 cells, then what the window would do next: the
// settings the read shows (DecodedBlock::values, with what the window held where
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
#include "decoded_view.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using fuzz::shown_option;
using fuzz::shown_text;
using quarn::SettingKey;

// The option the window shows after the read: the cell's, or the one it held.
bool selected_for_one(int shown, bool held) { return shown >= 0 ? shown == 1 : held; }

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

  quarn::FieldValues fields = decoded.values;
  if (!shown_text(decoded, SettingKey::AlarmInput)) fields.alarm_input = input_text(held(0, 1));
  if (!shown_text(decoded, SettingKey::BatteryInput)) fields.battery_input = input_text(held(1, 1));
  fields.quarn_mode = !selected_for_one(shown_option(decoded, SettingKey::CodeMode), (held_options & 1) != 0);
  fields.low_tones = selected_for_one(shown_option(decoded, SettingKey::Tones), (held_options & 2) != 0);
  fields.battery_alarm = selected_for_one(shown_option(decoded, SettingKey::BatteryAlarm), (held_options & 4) == 0);
  fields.multiple_tx = selected_for_one(shown_option(decoded, SettingKey::TxMode), (held_options & 8) == 0);

  const quarn::ProgrammingRun run = quarn::encode_block(decoded.block, fields);
  // Mono coding with low tones carries the repeater code in the code byte.
  const bool repeater_in_code = !fields.quarn_mode && fields.low_tones;
  if (run.refusal) {
    const quarn::Refusal& refusal = *run.refusal;
    const double mhz = quarn::numeric_value(decoded.values.frequency);
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
  FUZZ_CHECK(read_back.values.code == decoded.values.code);
  if (memory[quarn::cell::freq_a_x2] % 2 == 0) {
    FUZZ_CHECK(read_back.values.frequency == decoded.values.frequency);
  } else {
    const double next_channel = quarn::numeric_value(decoded.values.frequency) + 0.00625;
    FUZZ_CHECK(read_back.values.frequency == quarn::decimal_text(next_channel));
  }
  const bool coding_unknown = shown_option(decoded, SettingKey::CodeMode) == fuzz::option_beeps;
  if (!(coding_unknown && fields.quarn_mode)) {
    FUZZ_CHECK(shown_text(read_back, SettingKey::AlarmInput) == fields.alarm_input);
    FUZZ_CHECK(shown_text(read_back, SettingKey::BatteryInput) == fields.battery_input);
  }
  FUZZ_CHECK(shown_option(read_back, SettingKey::Tones) == shown_option(decoded, SettingKey::Tones));
  FUZZ_CHECK(shown_option(read_back, SettingKey::TxMode) == shown_option(decoded, SettingKey::TxMode));
  FUZZ_CHECK(shown_option(read_back, SettingKey::BatteryAlarm) == shown_option(decoded, SettingKey::BatteryAlarm));
  FUZZ_CHECK(shown_option(read_back, SettingKey::CodeMode) == shown_option(decoded, SettingKey::CodeMode));
  FUZZ_CHECK(shown_text(read_back, SettingKey::RobberyTime) == shown_text(decoded, SettingKey::RobberyTime));
  FUZZ_CHECK(shown_text(read_back, SettingKey::AntifallTime) == shown_text(decoded, SettingKey::AntifallTime));
  FUZZ_CHECK(shown_text(read_back, SettingKey::TxCount) == shown_text(decoded, SettingKey::TxCount));
  FUZZ_CHECK(shown_text(read_back, SettingKey::PanicFilter) == shown_text(decoded, SettingKey::PanicFilter));
  FUZZ_CHECK(shown_text(read_back, SettingKey::RepeaterCode) == shown_text(decoded, SettingKey::RepeaterCode));
  FUZZ_CHECK(read_back.band_text == decoded.band_text);
  return 0;
}
