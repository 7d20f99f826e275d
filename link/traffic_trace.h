#pragma once
// A readable log of the serial traffic, written as it happens: a header
// ("# " lines), then every byte with its direction and the milliseconds since
// the port first opened, and the port's opens, closes and errors and the
// operations' starts and ends between them. The emulator's log uses the same
// line format.

#include "link/file_error.h"
#include "link/outcome.h"
#include "link/serial_link.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdint>
#include <memory>
#include <optional>

namespace quarn {

enum class TrafficDirection { ToTransmitter, ToClient };

// "    104.2 ms  PC -> TX  57 'W'"; the letter is left out for unprintable bytes.
QString format_traffic_line(double ms, TrafficDirection direction, std::uint8_t byte);
// "    104.2 ms  -- porta chiusa"
QString format_trace_note(double ms, const QString& text);

// Who writes a trace, for its header.
struct TraceHeader {
  QString program;  // "quarnctl"; empty: the application's name
  QString version;  // empty: the application's version
  QString port;     // the port when it is known from the start; empty otherwise
};

class TrafficTrace {
 public:
  // Creates or empties the file and writes the header: the program, the date
  // and time, the port and the line settings. Why, when the file cannot be
  // opened or is no regular file (a pipe, a device); a header that cannot be
  // written is a failure().
  std::optional<FileError> open(const QString& path, const TraceHeader& header = {});
  bool isOpen() const { return file_.isOpen(); }

  // The times count from the first opening: one clock for the whole trace,
  // so that they never go back. Lines before it show 0.0.
  void portOpened(const QString& what);
  bool clockStarted() const { return clock_.isValid(); }
  void bytes(TrafficDirection direction, const QByteArray& bytes);
  void note(const QString& text);
  // The session's events, in the trace's words.
  void operationStarted(SessionOperation operation);
  void operationEnded(SessionOperation operation, const Outcome& outcome);
  void backupSkippedUnread();
  void cellNotCompared(int address, int written, int read);

  // The first line that could not be written (a full disk, a file gone);
  // nothing more is written after it.
  const std::optional<FileError>& failure() const { return failure_; }
  // The failure, the first time it is asked for after it happened.
  std::optional<FileError> takeNewFailure();

 private:
  double now() const;
  void line(const QString& text);

  QFile file_;
  QElapsedTimer clock_;  // monotonic, since the first opening of the port
  std::optional<FileError> failure_;
  bool failure_taken_ = false;
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
  void setDevice(const QString& device) override { inner_.setDevice(device); }
  QString device() const override { return inner_.device(); }
  std::optional<PortError> open() override;
  void close() override;
  bool isOpen() const override { return inner_.isOpen(); }
  void setReadGranularity(int bytes) override { inner_.setReadGranularity(bytes); }
  int bytesWaiting() const override { return inner_.bytesWaiting(); }
  QByteArray read() override;
  void write(const QByteArray& bytes) override;

 private:
  QString portText() const;
  void noteOpenedBefore();

  SerialLink& inner_;
  std::shared_ptr<TrafficTrace> trace_;
};

}  // namespace quarn
