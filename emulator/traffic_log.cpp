#include "emulator/traffic_log.h"

namespace quarn {

QByteArray traffic_bytes(const std::vector<TrafficEntry>& traffic, TrafficEntry::Direction direction) {
  QByteArray bytes;
  for (const TrafficEntry& entry : traffic) {
    if (entry.direction == direction) bytes.append(static_cast<char>(entry.byte));
  }
  return bytes;
}

QString format_traffic(const TrafficEntry& entry) {
  const QString direction = entry.direction == TrafficEntry::Direction::ToTransmitter
                                ? QStringLiteral("PC -> TX")
                                : QStringLiteral("TX -> PC");
  QString line = QStringLiteral("%1 ms  %2  %3")
                     .arg(entry.ms, 9, 'f', 1)
                     .arg(direction)
                     .arg(QString::number(entry.byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
  const bool printable = entry.byte >= 0x20 && entry.byte < 0x7F;
  if (printable) line += QStringLiteral(" '%1'").arg(QLatin1Char(char(entry.byte)));
  return line;
}

}  // namespace quarn
