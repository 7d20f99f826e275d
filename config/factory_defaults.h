#pragma once
// The factory default sets: settings as the window would hold them, encoded
// the way a programming run encodes them.

#include "config/band.h"
#include "config/cell_map.h"
#include "config/field_values.h"

#include <array>
#include <cstdint>

namespace quarn {

using MemoryImage = std::array<std::uint8_t, memory_size>;  // cells 0 to 63

// The settings of the default set for a band.
FieldValues factory_settings(Band band);

// All 64 cells that the defaults loader writes for a band and generation.
MemoryImage factory_default_cells(Band band, Generation generation);

}  // namespace quarn
