#pragma once
// The radio band a unit transmits in, as its band cell stores it and as the
// front ends name it; and the names of the two device generations.

#include "config/cell_map.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarn {

enum class Band { Uhf, Vhf };
inline constexpr std::array<Band, 2> bands{Band::Uhf, Band::Vhf};

inline constexpr std::uint8_t band_byte(Band band) { return band == Band::Uhf ? band_uhf : band_vhf; }

// The band a band cell names; none for any other value.
inline constexpr std::optional<Band> band_of_byte(int value) {
  if (value == band_uhf) return Band::Uhf;
  if (value == band_vhf) return Band::Vhf;
  return std::nullopt;
}

inline constexpr std::string_view band_name(Band band) { return band == Band::Uhf ? "UHF" : "VHF"; }
// The band as files and command lines write it.
inline constexpr std::string_view band_word(Band band) { return band == Band::Uhf ? "uhf" : "vhf"; }

inline constexpr std::string_view generation_name(Generation generation) {
  return generation == Generation::New ? "New" : "Old";
}

}  // namespace quarn
