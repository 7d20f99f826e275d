#include "link/traffic_trace.h"

#include "link/port_names.h"

namespace quarn {

QString format_traffic_line(double ms, TrafficDirection direction, std::uint8_t byte) {
  const QString way =
      direction == TrafficDirection::ToTransmitter ? QStringLiteral("PC -> TX") : QStringLiteral("TX -> PC");
  QString line = QStringLiteral("%1 ms  %2  %3")
                     .arg(ms, 9, 'f', 1)
                     .arg(way)
                     .arg(QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
  const bool printable = byte >= 0x20 && byte < 0x7F;
  if (printable) line += QStringLiteral(" '%1'").arg(QLatin1Char(char(byte)));
  return line;
}

QString format_trace_note(double ms, const QString& text) {
  return QStringLiteral("%1 ms  -- %2").arg(ms, 9, 'f', 1).arg(text);
}

std::optional<QString> TrafficTrace::open(const QString& path) {
  file_.close();
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    return QStringLiteral("impossibile scrivere la traccia %1: %2").arg(path, file_.errorString());
  }
  clock_.start();
  return std::nullopt;
}

double TrafficTrace::now() const { return clock_.isValid() ? double(clock_.nsecsElapsed()) / 1e6 : 0.0; }

// Each line reaches the file before the next: a crash loses at most the one
// being written.
void TrafficTrace::line(const QString& text) {
  if (!file_.isOpen()) return;
  file_.write((text + u'\n').toUtf8());
  file_.flush();
}

void TrafficTrace::portOpened(const QString& what) {
  clock_.start();
  note(QStringLiteral("porta aperta: ") + what);
}

void TrafficTrace::bytes(TrafficDirection direction, const QByteArray& bytes) {
  const double ms = now();
  for (const char byte : bytes) line(format_traffic_line(ms, direction, std::uint8_t(byte)));
}

void TrafficTrace::note(const QString& text) { line(format_trace_note(now(), text)); }

TracedLink::TracedLink(SerialLink& inner, QObject* parent) : SerialLink(parent), inner_(inner) {
  connect(&inner_, &SerialLink::bytesArrived, this, &SerialLink::bytesArrived);
  connect(&inner_, &SerialLink::lost, this, [this](const PortError& error) {
    if (trace_) trace_->note(QStringLiteral("dispositivo perso: %1 %2").arg(error.number).arg(error.description));
    emit lost(error);
  });
}

std::optional<PortError> TracedLink::open() {
  const bool was_open = inner_.isOpen();
  std::optional<PortError> error = inner_.open();
  if (trace_ && !was_open) {
    const QString com = QStringLiteral("Com %1").arg(inner_.portNumber());
    if (error) {
      trace_->note(QStringLiteral("errore della porta (%1): %2 %3").arg(com).arg(error->number).arg(error->description));
    } else {
      trace_->portOpened(QStringLiteral("%1 (%2)").arg(com, device_name_for_port(inner_.portNumber())));
    }
  }
  return error;
}

void TracedLink::close() {
  const bool was_open = inner_.isOpen();
  inner_.close();
  if (trace_ && was_open) trace_->note(QStringLiteral("porta chiusa"));
}

QByteArray TracedLink::read() {
  QByteArray bytes = inner_.read();
  if (trace_) trace_->bytes(TrafficDirection::ToClient, bytes);
  return bytes;
}

void TracedLink::write(const QByteArray& bytes) {
  // A closed port sends nothing, so nothing is traced.
  if (trace_ && inner_.isOpen()) trace_->bytes(TrafficDirection::ToTransmitter, bytes);
  inner_.write(bytes);
}

}  // namespace quarn
