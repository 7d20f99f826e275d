#include "config/factory_defaults.h"

#include "config/block_encoding.h"
#include "config/numeric_text.h"

#include <cassert>

namespace quarn {

namespace {

struct FactorySettings {
  FieldValues fields;  // as the window's fields would hold them
  bool battery_alarm_on;
  bool multiple_transmission;
};

FactorySettings factory_settings(Band band) {
  return {
      .fields =
          {
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
          },
      .battery_alarm_on = true,
      .multiple_transmission = true,
  };
}

// The image as the option buttons would leave it for these settings.
ParameterBlock factory_image(const FactorySettings& settings, std::uint8_t band, Generation generation) {
  ParameterBlock image;
  image.cells[cell::tones] = settings.fields.low_tones ? 1 : 0;
  image.cells[cell::battery_alarm] = settings.battery_alarm_on ? 1 : 0;
  image.cells[cell::tx_mode] = settings.multiple_transmission ? 1 : 0;
  image.cells[cell::code_mode] = settings.fields.quarn_mode ? 0 : 1;
  image.device_type = constants_of(generation).device_type;
  image.band = band;
  return image;
}

}  // namespace

MemoryImage factory_default_cells(Band band, Generation generation) {
  const std::uint8_t band_byte = band == Band::Uhf ? band_uhf : band_vhf;
  const FactorySettings settings = factory_settings(band);
  const ProgrammingRun run = encode_block(factory_image(settings, band_byte, generation), settings.fields);
  assert(!run.refusal);

  MemoryImage memory{};  // the filler stays 0
  for (int address = 0; address < block_size; ++address) memory[address] = *byte_value(run.block.cells[address]);
  const bool is_new = generation == Generation::New;
  memory[cell::device_type] = constants_of(generation).device_type;
  memory[cell::block_checksum] = is_new ? static_cast<std::uint8_t>(run.block.block_checksum) : 0;
  memory[cell::band] = band_byte;
  memory[cell::cell_63] = cell_63_mark;
  return memory;
}

}  // namespace quarn
