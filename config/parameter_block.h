#pragma once
// The image of the transmitter's parameter block that the main window keeps.

#include "config/cell_map.h"

#include <array>
#include <cstdint>

namespace quarn {

struct ParameterBlock {
  // Values of cells 0 to 36. A value is a number until it is sent; only then
  // does it become a byte (see byte_value).
  std::array<double, block_size> cells{};
  int device_type = 0;     // last read from cell 60
  int block_checksum = 0;  // last computed by compute_block_checksum
  int band = 0;            // last read from cell 62
};

using BlockBytes = std::array<std::uint8_t, block_size>;

// (255 - sum of the 37 bytes) AND 255, so that (sum + checksum) mod 256 = 255.
std::uint8_t compute_block_checksum(const BlockBytes& bytes);

}  // namespace quarn
