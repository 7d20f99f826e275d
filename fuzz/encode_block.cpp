// encode_block of any field texts over an image as a read and the options
// leave it: either a refusal that names a setting (or, for a kept cell that is
// no byte, that cell), or a run whose writes are 62 (New) or 34 (Old) bytes,
// each the image cell it stands for (then zeros, the type mark and the
// checksum), and which a read decodes back to what the fields said.
//
// Input, as text lines:
//   lines 1-9  code, frequency, robbery time, anti-fall time, number of
//              transmissions, alarm input, battery input, panic filter,
//              repeater code (as typed; missing lines are empty)
//   line 10    letters for the rest of the window: M Mono coding (else Quarn),
//              L low tones, N battery-low alarm off, S single transmission,
//              O an Old device (else New), U or V the band read (else 0),
//              X cell 22 holding 300.5, which is no byte, R options as read
//   then       raw bytes for image cells 0 to 36 as last read (missing: the
//              UHF factory set). The options' cells are then stored as the
//              option buttons store them, or with R only the coding cell (the
//              others stay as read, whatever they hold).

#include "config/block_decoding.h"
#include "config/block_encoding.h"
#include "config/factory_defaults.h"
#include "config/numeric_text.h"
#include "config/settings_table.h"
#include "decoded_view.h"
#include "encode_input.h"
#include "fuzz_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using fuzz::shown_option;
using fuzz::shown_text;
using Key = quarn::SettingKey;

namespace {

// The text a read shows for the number a field text stands for.
std::string whole_text(const std::string& field) {
  return quarn::decimal_text(quarn::round_half_even(quarn::numeric_value(field)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::EncodeInput in = fuzz::encode_input(std::string_view(reinterpret_cast<const char*>(data), size));
  const quarn::FieldValues& fields = in.fields;
  const auto has = [&](char letter) { return in.has(letter); };
  const bool is_new = in.is_new;
  const quarn::MemoryRead& memory = in.memory;
  const quarn::ParameterBlock& image = in.image;

  const quarn::ProgrammingRun run = quarn::encode_block(image, fields);
  if (run.refusal) {
    // Only a kept cell has no setting; 'X' makes cell 22 no byte.
    const quarn::Refusal& refusal = *run.refusal;
    if (refusal.reason == quarn::RefusalReason::ImageCellNotByte) {
      FUZZ_CHECK(has('X') && refusal.cell == quarn::cell::kept_22 && !refusal.setting);
    } else {
      FUZZ_CHECK(refusal.setting.has_value());
    }
    return 0;
  }
  FUZZ_CHECK(!has('X'));
  FUZZ_CHECK(run.writes.size() == (is_new ? 62u : 34u));
  for (int address = 0; address < quarn::block_size && address < static_cast<int>(run.writes.size()); ++address) {
    FUZZ_CHECK(quarn::byte_value(run.block.cells[address]) == run.writes[address]);
  }
  // A New device gets zeros in the filler and its type mark.
  for (std::size_t address = quarn::cell::zero_fill; address < run.writes.size(); ++address) {
    FUZZ_CHECK(run.writes[address] == (address == quarn::cell::device_type ? quarn::device_type_new
                                       : address == quarn::cell::block_checksum ? run.block.block_checksum
                                                                                : 0));
  }

  quarn::MemoryRead programmed = memory;
  std::copy(run.writes.begin(), run.writes.end(), programmed.begin());
  const quarn::DecodedBlock before = quarn::decode_block(memory);
  const quarn::DecodedBlock read = quarn::decode_block(programmed);

  FUZZ_CHECK(read.is_new == is_new);
  FUZZ_CHECK(!read.checksum_mismatch);
  FUZZ_CHECK(read.values.code == whole_text(fields.code));
  // The channel read back lies up to 0.01 MHz above (plus the channel
  // formula's nudge of a millionth of a 0.0125 MHz step) and less than
  // 0.0025 MHz below the frequency typed.
  const double typed_mhz = quarn::numeric_value(fields.frequency);
  const double offset = quarn::numeric_value(read.values.frequency) - typed_mhz;
  const double slack = 1e-9 * std::max(1.0, std::fabs(typed_mhz));
  constexpr double nudge_mhz = 0.000001 * 0.0125;
  FUZZ_CHECK(offset > -0.0025 - slack && offset <= 0.01 + nudge_mhz + slack);
  FUZZ_CHECK(shown_text(read, Key::AlarmInput) == whole_text(fields.alarm_input));
  FUZZ_CHECK(shown_text(read, Key::BatteryInput) == whole_text(fields.battery_input));
  FUZZ_CHECK(shown_text(read, Key::RobberyTime) == whole_text(fields.robbery_time));
  FUZZ_CHECK(shown_text(read, Key::AntifallTime) == whole_text(fields.antifall_time));
  FUZZ_CHECK(shown_text(read, Key::TxCount) == whole_text(fields.tx_count));
  // An Old device takes cells 0 to 33 only and keeps its panic filter,
  // repeater code and coding mode.
  FUZZ_CHECK(shown_text(read, Key::PanicFilter) ==
             (is_new ? std::optional(whole_text(fields.panic_filter)) : shown_text(before, Key::PanicFilter)));
  FUZZ_CHECK(shown_text(read, Key::RepeaterCode) ==
             (is_new ? std::optional(whole_text(fields.repeater_code)) : shown_text(before, Key::RepeaterCode)));
  FUZZ_CHECK(shown_option(read, Key::CodeMode) == (fields.quarn_mode ? 0 : 1));
  FUZZ_CHECK(shown_option(read, Key::Tones) == shown_option(before, Key::Tones));
  FUZZ_CHECK(shown_option(read, Key::TxMode) == shown_option(before, Key::TxMode));
  FUZZ_CHECK(shown_option(read, Key::BatteryAlarm) == shown_option(before, Key::BatteryAlarm));
  FUZZ_CHECK(read.band_text == before.band_text);
  if (!has('R')) {
    // The options read back as chosen.
    FUZZ_CHECK(shown_option(read, Key::Tones) == (fields.low_tones ? 1 : 0));
    FUZZ_CHECK(shown_option(read, Key::BatteryAlarm) == (fields.battery_alarm ? 1 : 0));
    FUZZ_CHECK(shown_option(read, Key::TxMode) == (fields.multiple_tx ? 1 : 0));
  }
  return 0;
}
