#pragma once
// A serial port that passes everything to the real one and notes the time of
// each write and of each arrival, on the benchmark's clock, so that the
// program's turnaround (a reply handed over, the next command written) is
// measured inside the program itself, without the emulator's or the
// pseudo-terminal's delays in it. The start of each sequence of steps is
// noted beside them, which tells a guard after a sequence's last reply from a
// turnaround. The time spent noting is summed, so that the benchmark can
// report its own cost.

#include "link/serial_link.h"

#include <QElapsedTimer>

#include <vector>

namespace quarn::bench {

class TimedLink : public SerialLink {
  Q_OBJECT
 public:
  enum class Kind { Written, Arrived, SequenceStarted };
  struct Event {
    qint64 ns;   // on the clock given to the constructor
    int bytes;   // how many were written, or how many arrived
    Kind kind;
    QByteArray written;  // the command, for a write
  };

  TimedLink(SerialLink& port, const QElapsedTimer& clock) : port_(port), clock_(clock) {
    events_.reserve(1 << 16);
    connect(&port_, &SerialLink::bytesArrived, this, &TimedLink::onArrival);
    connect(&port_, &SerialLink::lost, this, [this](const PortError& error) {
      unread_ = 0;
      emit lost(error);
    });
  }

  const std::vector<Event>& events() const { return events_; }
  // Nanoseconds spent noting events so far.
  qint64 noting_ns() const { return noting_ns_; }
  void noteSequenceStart() { note(clock_.nsecsElapsed(), 0, Kind::SequenceStarted); }

  void setPortNumber(int number) override { port_.setPortNumber(number); }
  int portNumber() const override { return port_.portNumber(); }
  std::optional<PortError> open() override {
    unread_ = port_.bytesWaiting();
    return port_.open();
  }
  void close() override {
    port_.close();
    unread_ = 0;
  }
  bool isOpen() const override { return port_.isOpen(); }
  void setReadGranularity(int bytes) override { port_.setReadGranularity(bytes); }
  int bytesWaiting() const override { return port_.bytesWaiting(); }
  QByteArray read() override {
    const QByteArray bytes = port_.read();
    unread_ -= int(bytes.size());
    return bytes;
  }
  // Noted before it is passed on: the time the program handed the command over.
  void write(const QByteArray& bytes) override {
    note(clock_.nsecsElapsed(), int(bytes.size()), Kind::Written, bytes);
    port_.write(bytes);
    emit wrote();
  }

 signals:
  // A write has been noted and passed on.
  void wrote();

 private:
  void note(qint64 now, int bytes, Kind kind, const QByteArray& written = {}) {
    events_.push_back({now, bytes, kind, written});
    noting_ns_ += clock_.nsecsElapsed() - now;
  }

  // Noted before the program hears of it.
  void onArrival() {
    const qint64 now = clock_.nsecsElapsed();
    const int waiting = port_.bytesWaiting();
    if (waiting > unread_) note(now, waiting - unread_, Kind::Arrived);
    unread_ = waiting;
    emit bytesArrived();
  }

  SerialLink& port_;
  const QElapsedTimer& clock_;
  std::vector<Event> events_;
  qint64 noting_ns_ = 0;
  int unread_ = 0;  // bytes the port held at the last look, less those read since
};

}  // namespace quarn::bench
