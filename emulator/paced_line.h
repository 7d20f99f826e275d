#pragma once
// One direction of the serial line. Paced, every byte takes the time of ten
// bits at 2400 baud and the bytes follow each other back to back; unpaced,
// they arrive on the next pass of the event loop. Either way they arrive
// later, never inside send().
//
// Every byte gets a planned arrival time when it is queued: one byte time
// after the planned arrival of the byte ahead of it, or after its start when
// the line was idle. Delivery aims at those absolute times, so a late wake-up
// delays the bytes it delivers but never the plan of the bytes behind them.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>

namespace quarn {

class PacedLine : public QObject {
  Q_OBJECT
 public:
  // 10 bits (start, 8 data, stop) at 2400 baud: 1/240 s.
  static constexpr std::chrono::nanoseconds byte_time{1'000'000'000 / 240};

  PacedLine(const QElapsedTimer& clock, bool paced, QObject* parent = nullptr);
  ~PacedLine() override;

  // The bytes start once those ahead of them are through, and not before
  // `delay` has passed from now.
  void send(const QByteArray& bytes, std::chrono::milliseconds delay = {});
  // The same from a planned time on the clock (in nanoseconds) rather than
  // from now: a reply starts from the planned arrival of the byte it answers,
  // however late that byte was delivered.
  void sendFrom(qint64 start_ns, const QByteArray& bytes, std::chrono::milliseconds delay = {});
  // Removes and returns what is still on its way.
  QByteArray takeAll();
  // Bytes still on their way.
  qsizetype pending() const { return qsizetype(queue_.size()); }

 signals:
  // Bytes whose planned arrival has come, with those planned times (ns on the clock).
  void delivered(const QByteArray& bytes, const QList<qint64>& planned_ns);

 private:
  struct Byte {
    char value;
    qint64 due_ns;
  };

  void deliverDue();
  void schedule();
  void wakeIn(qint64 wait_ns);
  void stopWaking();

  const QElapsedTimer& clock_;
  const qint64 byte_ns_;
  std::deque<Byte> queue_;
  qint64 free_at_ns_ = 0;  // planned arrival of the last queued byte
  // The wake-up: a timerfd where there is one (nanosecond deadlines),
  // otherwise a precise QTimer (whole milliseconds).
  int timer_fd_ = -1;
  std::unique_ptr<QSocketNotifier> timer_fd_notifier_;
  QTimer timer_;
};

}  // namespace quarn
