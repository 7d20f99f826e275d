#include "config/cell_map.h"

namespace quarn {

GenerationConstants constants_of(Generation generation) {
  if (generation == Generation::New) return {device_type_new, cell::block_checksum};
  return {0, cell::battery_packet + packet_size - 1};
}

Generation generation_of(int device_type_byte) {
  return device_type_byte == device_type_new ? Generation::New : Generation::Old;
}

}  // namespace quarn
