#pragma once
// One byte that crossed the emulated line, and how the log shows it.

#include "emulator/spread.h"
#include "link/traffic_trace.h"

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
  double planned_ms = 0;  // when the line timing had it arrive, on the same clock
};

// The bytes that went one way, in the order they crossed.
QByteArray traffic_bytes(const std::vector<TrafficEntry>& traffic, TrafficEntry::Direction direction);

// How much later than planned the bytes arrived, in milliseconds.
Spread lateness_of(const std::vector<TrafficEntry>& traffic);
// "pacing: 1234 bytes late by median 0.052 ms, p99 0.310 ms, max 1.204 ms"
QString format_lateness(const Spread& lateness);

// "    104.2 ms  PC -> TX  57 'W'"; the letter is left out for unprintable bytes.
QString format_traffic(const TrafficEntry& entry);

}  // namespace quarn
