#pragma once
// One byte that crossed the emulated line, and how the log shows it.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace quarn {

struct TrafficEntry {
  enum class Direction { ToTransmitter, ToClient };

  Direction direction;
  std::uint8_t byte;
  double ms;  // when it arrived, since the transmitter was created
};

// The bytes that went one way, in the order they crossed.
QByteArray traffic_bytes(const std::vector<TrafficEntry>& traffic, TrafficEntry::Direction direction);

// "    104.2 ms  PC -> TX  57 'W'"; the letter is left out for unprintable bytes.
QString format_traffic(const TrafficEntry& entry);

}  // namespace quarn
