#pragma once
// One direction of the serial line. Paced, every byte takes the time of ten
// bits at 2400 baud and the bytes follow each other back to back; unpaced,
// they arrive on the next pass of the event loop. Either way they arrive
// later, never inside send().

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>

namespace quarn {

class PacedLine : public QObject {
  Q_OBJECT
 public:
  // 10 bits (start, 8 data, stop) at 2400 baud: 1/240 s.
  static constexpr std::chrono::nanoseconds byte_time{1'000'000'000 / 240};

  PacedLine(const QElapsedTimer& clock, bool paced, QObject* parent = nullptr);

  // The bytes start once those ahead of them are through, and not before
  // `delay` has passed.
  void send(const QByteArray& bytes, std::chrono::milliseconds delay = {});
  // Removes and returns what is still on its way.
  QByteArray takeAll();

 signals:
  void delivered(const QByteArray& bytes);

 private:
  struct Byte {
    char value;
    qint64 due_ns;
  };

  void deliverDue();
  void schedule();

  const QElapsedTimer& clock_;
  const qint64 byte_ns_;
  std::deque<Byte> queue_;
  qint64 free_at_ns_ = 0;  // when the last queued byte is through
  QTimer timer_;
};

}  // namespace quarn
