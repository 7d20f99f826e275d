// decode_block of any 63 cells, then what the window would do next: the
// decoded texts and choices, fed back as the fields of a programming run over
// the image the read left, either are refused for a reason the cells give, or
// encode into cells that decode to the same meaning.
//
// Input: the 63 cells read (missing ones are 0), then up to three bytes for
// what the window held before the read, which stays where the read leaves a
// field unchanged (missing: "1", "1", Quarn coding, high tones):
//   byte 63  the alarm input text: value mod 9, 0 being "", else "1" to "8"
//   byte 64  the battery input text, the same way
//   byte 65  bit 0: Mono coding selected, bit 1: low tones selected
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

  quarn::FieldValues fields;
  fields.code = decoded.code;
  fields.frequency = decoded.frequency;
  fields.robbery_time = decoded.robbery_time;
  fields.antifall_time = decoded.antifall_time;
  fields.tx_count = decoded.tx_count;
  fields.alarm_input = decoded.alarm_input.value_or(input_text(held(0, 1)));
  fields.battery_input = decoded.battery_input.value_or(input_text(held(1, 1)));
  fields.panic_filter = decoded.panic_filter;
  fields.repeater_code = decoded.repeater_code;
  fields.quarn_mode = !selected_for_one(decoded.code_mode, (held_options & 1) != 0);
  fields.low_tones = selected_for_one(decoded.tones, (held_options & 2) != 0);

  const quarn::ProgrammingRun run = quarn::encode_block(decoded.block, fields);
  // Mono coding with low tones carries the repeater code in the code byte.
  const bool repeater_in_code = !fields.quarn_mode && fields.low_tones;
  if (run.refusal) {
    const std::string refusal = *run.refusal;
    const double mhz = quarn::numeric_value(decoded.frequency);
    if (refusal == quarn::message_outside_band) {
      FUZZ_CHECK(!quarn::within_band_limits(decoded.block.band, mhz));
    } else if (refusal == quarn::message_frequency_range) {
      // Channel 4194304 (64 x 256 x 256) and above is more than cells 10 to 12
      // hold; 0.01 MHz below a channel counts as that channel.
      FUZZ_CHECK(mhz >= 4194304 * 0.0125 - 0.01);
    } else if (refusal == quarn::message_mono_repeater_range) {
      FUZZ_CHECK(repeater_in_code && memory[quarn::cell::repeater_code] > 63);
    } else if (refusal == quarn::message_alarm_input_range) {
      FUZZ_CHECK(fields.alarm_input.empty());
    } else {
      FUZZ_CHECK(refusal == quarn::message_battery_input_range && fields.battery_input.empty());
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
