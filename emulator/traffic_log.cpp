#include "emulator/traffic_log.h"

#include <utility>

namespace quarn {

QByteArray traffic_bytes(const std::vector<TrafficEntry>& traffic, TrafficEntry::Direction direction) {
  QByteArray bytes;
  for (const TrafficEntry& entry : traffic) {
    if (entry.direction == direction) bytes.append(static_cast<char>(entry.byte));
  }
  return bytes;
}

Spread lateness_of(const std::vector<TrafficEntry>& traffic) {
  std::vector<double> late;
  late.reserve(traffic.size());
  for (const TrafficEntry& entry : traffic) late.push_back(entry.ms - entry.planned_ms);
  return spread_of(std::move(late));
}

QString format_lateness(const Spread& lateness) {
  return QStringLiteral("pacing: %1 bytes late by median %2 ms, p99 %3 ms, max %4 ms")
      .arg(lateness.count)
      .arg(lateness.median, 0, 'f', 3)
      .arg(lateness.p99, 0, 'f', 3)
      .arg(lateness.max, 0, 'f', 3);
}

QString format_traffic(const TrafficEntry& entry) {
  return format_traffic_line(entry.ms,
                             entry.direction == TrafficEntry::Direction::ToTransmitter ? TrafficDirection::ToTransmitter
                                                                                      : TrafficDirection::ToClient,
                             entry.byte);
}

}  // namespace quarn
