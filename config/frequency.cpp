#include "config/frequency.h"

#include "config/band.h"

#include <cmath>

namespace quarn {

namespace {

constexpr double channel_step_mhz = 12.5 / 1000;

// Beyond 2^53 a double no longer holds every whole number. Channel numbers are
// held within it: cells that far out are no bytes either way, and the integer
// conversion stays defined (a NaN lands on the lower end).
constexpr double channel_limit = 9007199254740992.0;

// Division and remainder rounding towards minus infinity, so that a negative
// channel keeps A and the low byte of B in their ranges and shows up as a
// negative high byte.
long long floor_div(long long value, long long divisor) {
  const long long quotient = value / divisor;
  return (value % divisor < 0) ? quotient - 1 : quotient;
}

}  // namespace

long long channel_number(double mhz) {
  // The 0.01 MHz pulls a frequency up to 10 kHz below a channel onto it; the
  // millionth keeps one exactly 2.5 kHz above a channel from staying on it
  // through rounding.
  const double channel = std::floor((mhz + 0.01) / channel_step_mhz + 0.000001);
  return static_cast<long long>(std::fmin(std::fmax(channel, -channel_limit), channel_limit));
}

FrequencyCells encode_frequency(double mhz) {
  const long long n = channel_number(mhz);
  const long long b = floor_div(n, 64);
  const long long b_high = floor_div(b, 256);
  return {b_high, b - 256 * b_high, 2 * (n - 64 * b)};
}

double decode_frequency(std::uint8_t b_high, std::uint8_t b_low, std::uint8_t a_x2) {
  // Cell 12 counts half channels, so an odd value lands between two channels.
  const double channel = 64.0 * (256 * b_high + b_low) + a_x2 / 2.0;
  return channel * channel_step_mhz;
}

bool within_transmit_range(double mhz) {
  return (mhz >= 140 && mhz <= 175) || (mhz >= 410 && mhz <= 470);
}

std::optional<ValueRange> band_limits(int band) {
  const std::optional<Band> known = band_of_byte(band);
  if (!known) return std::nullopt;
  return *known == Band::Uhf ? ValueRange{400, 480} : ValueRange{130, 185};
}

bool within_band_limits(int band, double mhz) {
  const std::optional<ValueRange> limits = band_limits(band);
  return !limits || limits->contains(mhz);
}

}  // namespace quarn
