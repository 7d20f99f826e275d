#include "emulator/paced_line.h"

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace quarn {

namespace {
constexpr qint64 ns_per_ms = 1'000'000;
}  // namespace

PacedLine::PacedLine(const QElapsedTimer& clock, bool paced, QObject* parent)
    : QObject(parent), clock_(clock), byte_ns_(paced ? byte_time.count() : 0) {
#ifdef Q_OS_LINUX
  timer_fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timer_fd_ >= 0) {
    timer_fd_notifier_ = std::make_unique<QSocketNotifier>(timer_fd_, QSocketNotifier::Read);
    connect(timer_fd_notifier_.get(), &QSocketNotifier::activated, this, [this] {
      quint64 expirations = 0;
      if (::read(timer_fd_, &expirations, sizeof expirations) > 0) deliverDue();
    });
    return;
  }
#endif
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &PacedLine::deliverDue);
}

PacedLine::~PacedLine() {
#ifdef Q_OS_LINUX
  timer_fd_notifier_.reset();
  if (timer_fd_ >= 0) ::close(timer_fd_);
#endif
}

void PacedLine::send(const QByteArray& bytes, std::chrono::milliseconds delay) {
  sendFrom(clock_.nsecsElapsed(), bytes, delay);
}

void PacedLine::sendFrom(qint64 start_ns, const QByteArray& bytes, std::chrono::milliseconds delay) {
  // Nothing sent holds the line for nothing: a device that has nothing to
  // announce must not move the plan of the next reply to this moment.
  if (bytes.isEmpty()) return;
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
  stopWaking();
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

// Wakes for the first byte's planned time.
void PacedLine::schedule() {
  if (queue_.empty()) {
    stopWaking();
    return;
  }
  wakeIn(std::max<qint64>(0, queue_.front().due_ns - clock_.nsecsElapsed()));
}

void PacedLine::wakeIn(qint64 wait_ns) {
#ifdef Q_OS_LINUX
  if (timer_fd_ >= 0) {
    // The clock is CLOCK_MONOTONIC as the timerfd's, so the relative wait
    // hits the planned time to within the few microseconds since it was read.
    // A zero time would disarm the timer: a due byte wakes it at once.
    const qint64 ns = std::max<qint64>(wait_ns, 1);
    itimerspec when{};
    when.it_value.tv_sec = time_t(ns / 1'000'000'000);
    when.it_value.tv_nsec = long(ns % 1'000'000'000);
    ::timerfd_settime(timer_fd_, 0, &when, nullptr);
    return;
  }
#endif
  // Whole milliseconds, rounded up: a byte is never delivered early, and the
  // rounding delays only this wake-up, not the plan.
  timer_.start(int((wait_ns + ns_per_ms - 1) / ns_per_ms));
}

void PacedLine::stopWaking() {
#ifdef Q_OS_LINUX
  if (timer_fd_ >= 0) {
    const itimerspec disarm{};
    ::timerfd_settime(timer_fd_, 0, &disarm, nullptr);
    return;
  }
#endif
  timer_.stop();
}

}  // namespace quarn
