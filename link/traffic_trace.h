#pragma once
// A readable log of the serial traffic, written as it happens: every byte
// with its direction and the milliseconds since the port opened, and the
// port's opens, closes and errors and the operations' starts and ends
// between them. The emulator's log uses the same line format.

#include "link/serial_link.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdint>
#include <memory>

namespace quarn {

enum class TrafficDirection { ToTransmitter, ToClient };

// "    104.2 ms  PC -> TX  57 'W'"; the letter is left out for unprintable bytes.
QString format_traffic_line(double ms, TrafficDirection direction, std::uint8_t byte);
// "    104.2 ms  -- porta chiusa"
QString format_trace_note(double ms, const QString& text);

class TrafficTrace {
 public:
  // Creates or empties the file. The reason, in words, when it cannot.
  std::optional<QString> open(const QString& path);
  bool isOpen() const { return file_.isOpen(); }

  // Restarts the clock: the times that follow count from this open.
  void portOpened(const QString& what);
  void bytes(TrafficDirection direction, const QByteArray& bytes);
  void note(const QString& text);

 private:
  double now() const;
  void line(const QString& text);

  QFile file_;
  QElapsedTimer clock_;  // since the last open, or since the trace began
};

// A link that passes everything to another one and writes what passes to
// the trace, when there is one.
class TracedLink : public SerialLink {
  Q_OBJECT
 public:
  explicit TracedLink(SerialLink& inner, QObject* parent = nullptr);

  void setTrace(std::shared_ptr<TrafficTrace> trace) { trace_ = std::move(trace); }
  TrafficTrace* trace() const { return trace_.get(); }

  void setPortNumber(int number) override { inner_.setPortNumber(number); }
  int portNumber() const override { return inner_.portNumber(); }
  std::optional<PortError> open() override;
  void close() override;
  bool isOpen() const override { return inner_.isOpen(); }
  void setReadGranularity(int bytes) override { inner_.setReadGranularity(bytes); }
  int bytesWaiting() const override { return inner_.bytesWaiting(); }
  QByteArray read() override;
  void write(const QByteArray& bytes) override;

 private:
  SerialLink& inner_;
  std::shared_ptr<TrafficTrace> trace_;
};

}  // namespace quarn
