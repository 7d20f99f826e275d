#include "config/cell_map.h"

#include <algorithm>

namespace quarn {

GenerationConstants constants_of(Generation generation) {
  if (generation == Generation::New) return {device_type_new, cell::block_checksum};
  return {0, cell::battery_packet + packet_size - 1};
}

Generation generation_of(int device_type_byte) {
  return device_type_byte == device_type_new ? Generation::New : Generation::Old;
}

bool carries_meaning(int address, Generation generation) {
  if (address == cell::device_type || address == cell::band) return true;
  if (generation == Generation::New && address == cell::block_checksum) return true;
  const int last_data_cell = std::min(block_size - 1, constants_of(generation).last_programmed_address);
  return address >= 0 && address <= last_data_cell;
}

}  // namespace quarn
