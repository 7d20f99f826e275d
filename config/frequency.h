#pragma once
// Transmit frequency as the channel count that cells 10 to 12 hold.

#include "config/value_range.h"

#include <cstdint>
#include <optional>

namespace quarn {

struct FrequencyCells {
  // Wide integers: an absurd frequency yields values that are no bytes, and
  // the caller refuses them rather than wrapping.
  long long b_high;  // cell 10: B div 256
  long long b_low;   // cell 11: B mod 256
  long long a_x2;    // cell 12: 2 x A
};

// Channel N = floor((f + 0.01) / 0.0125 + 0.000001), held within +-2^53.
long long channel_number(double mhz);

// The channel number split as N = 64 B + A.
FrequencyCells encode_frequency(double mhz);

// f = (64 x (256 x b_high + b_low) + a_x2 / 2) x 0.0125 MHz.
double decode_frequency(std::uint8_t b_high, std::uint8_t b_low, std::uint8_t a_x2);

// 140 to 175 MHz or 410 to 470 MHz, bounds included.
bool within_transmit_range(double mhz);

// Band "U" allows 400 to 480 MHz, "V" 130 to 185 MHz; any other band byte
// sets no limit (nullopt).
std::optional<ValueRange> band_limits(int band);

// Test seam: the oracle of the tests and the fuzz target for band_limits.
bool within_band_limits(int band, double mhz);

}  // namespace quarn
