#include "emulator/paced_line.h"

#include <algorithm>

namespace quarn {

namespace {
constexpr qint64 ns_per_ms = 1'000'000;
}  // namespace

PacedLine::PacedLine(const QElapsedTimer& clock, bool paced, QObject* parent)
    : QObject(parent), clock_(clock), byte_ns_(paced ? byte_time.count() : 0) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &PacedLine::deliverDue);
}

void PacedLine::send(const QByteArray& bytes, std::chrono::milliseconds delay) {
  sendFrom(clock_.nsecsElapsed(), bytes, delay);
}

void PacedLine::sendFrom(qint64 start_ns, const QByteArray& bytes, std::chrono::milliseconds delay) {
  qint64 due = std::max(free_at_ns_, start_ns + delay.count() * ns_per_ms);
  for (const char value : bytes) {
    due += byte_ns_;
    queue_.push_back({value, due});
  }
  free_at_ns_ = due;
  schedule();
}

QByteArray PacedLine::takeAll() {
  QByteArray pending;
  for (const Byte& byte : queue_) pending.append(byte.value);
  queue_.clear();
  free_at_ns_ = 0;
  timer_.stop();
  return pending;
}

void PacedLine::deliverDue() {
  const qint64 now = clock_.nsecsElapsed();
  QByteArray arrived;
  QList<qint64> planned;
  while (!queue_.empty() && queue_.front().due_ns <= now) {
    arrived.append(queue_.front().value);
    planned.append(queue_.front().due_ns);
    queue_.pop_front();
  }
  // The receiver may send or clear in response, so the queue is settled first.
  schedule();
  if (!arrived.isEmpty()) emit delivered(arrived, planned);
}

// Wakes for the first byte's planned time. The timer counts whole
// milliseconds, so the wait is rounded up: a byte is never delivered early,
// and the rounding delays only this wake-up, not the plan.
void PacedLine::schedule() {
  if (queue_.empty()) {
    timer_.stop();
    return;
  }
  const qint64 wait_ns = std::max<qint64>(0, queue_.front().due_ns - clock_.nsecsElapsed());
  timer_.start(int((wait_ns + ns_per_ms - 1) / ns_per_ms));
}

}  // namespace quarn
