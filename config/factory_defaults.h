#pragma once
// The factory default sets, derived from one table of settings through the
// same encoding that a programming run uses.

#include "config/cell_map.h"

#include <array>
#include <cstdint>

namespace quarn {

enum class Band { Uhf, Vhf };

using MemoryImage = std::array<std::uint8_t, memory_size>;  // cells 0 to 63

// All 64 cells that the defaults loader writes for a band and generation.
MemoryImage factory_default_cells(Band band, Generation generation);

}  // namespace quarn
