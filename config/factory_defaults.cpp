#include "config/factory_defaults.h"

#include "config/block_encoding.h"
#include "config/numeric_text.h"
#include "config/settings_table.h"

#include <cassert>

namespace quarn {

FieldValues factory_settings(Band band) {
  return {
      .code = "1",
      .frequency = band == Band::Uhf ? "460" : "161",
      .robbery_time = "30",
      .antifall_time = "60",
      .tx_count = "5",
      .alarm_input = "1",
      .battery_input = "8",
      .panic_filter = "1",
      .repeater_code = "0",
      .quarn_mode = true,
      .low_tones = false,
      .battery_alarm = true,
      .multiple_tx = true,
  };
}

MemoryImage factory_default_cells(Band band, Generation generation) {
  const FieldValues settings = factory_settings(band);
  // The image as the option buttons would leave it for these settings.
  ParameterBlock image;
  apply_options(image, settings);
  image.device_type = constants_of(generation).device_type;
  image.band = band_byte(band);
  const ProgrammingRun run = encode_block(image, settings);
  assert(!run.refusal);

  MemoryImage memory{};  // the filler stays 0
  for (int address = 0; address < block_size; ++address) memory[address] = *byte_value(run.block.cells[address]);
  const bool is_new = generation == Generation::New;
  memory[cell::device_type] = constants_of(generation).device_type;
  memory[cell::block_checksum] = is_new ? static_cast<std::uint8_t>(run.block.block_checksum) : 0;
  memory[cell::band] = band_byte(band);
  memory[cell::cell_63] = cell_63_mark;
  return memory;
}

}  // namespace quarn
