#pragma once
// One byte that crossed the emulated line, and how the log shows it.

#include <QString>

#include <cstdint>

namespace quarn {

struct TrafficEntry {
  enum class Direction { ToTransmitter, ToClient };

  Direction direction;
  std::uint8_t byte;
  double ms;  // when it arrived, since the transmitter was created
};

// "    104.2 ms  PC -> TX  57 'W'"; the letter is left out for unprintable bytes.
QString format_traffic(const TrafficEntry& entry);

}  // namespace quarn
