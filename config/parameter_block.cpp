#include "config/parameter_block.h"

#include <numeric>

namespace quarn {

std::uint8_t compute_block_checksum(const BlockBytes& bytes) {
  const int sum = std::accumulate(bytes.begin(), bytes.end(), 0);
  return static_cast<std::uint8_t>((255 - sum) & 255);
}

}  // namespace quarn
