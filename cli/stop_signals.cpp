#include "cli/stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <utility>

#ifdef Q_OS_UNIX
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace quarn::cli {

#ifdef Q_OS_UNIX

// The handler only writes the signal's number into a pipe, which is safe in
// a signal handler; the event loop reads it (the self-pipe pattern).
namespace {

constexpr std::array<int, 3> stop_signal_numbers{SIGINT, SIGTERM, SIGHUP};
int wake_pipe[2] = {-1, -1};
std::array<struct sigaction, 3> saved_actions{};
std::array<bool, 3> handled{};

void on_stop_signal(int number) {
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(wake_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
  if (::pipe(wake_pipe) != 0) return;  // then the signals keep their default
  for (const int end : wake_pipe) {
    ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    ::fcntl(end, F_SETFD, FD_CLOEXEC);
  }
  notifier_ = new QSocketNotifier(wake_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::collect);
}

StopSignals::~StopSignals() {
  disarm();
  for (int& end : wake_pipe) {
    if (end >= 0) ::close(std::exchange(end, -1));
  }
}

void StopSignals::arm() {
  if (armed_ || !notifier_) return;
  armed_ = true;
  for (std::size_t i = 0; i < stop_signal_numbers.size(); ++i) {
    ::sigaction(stop_signal_numbers[i], nullptr, &saved_actions[i]);
    handled[i] = saved_actions[i].sa_handler != SIG_IGN;
    if (!handled[i]) continue;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(stop_signal_numbers[i], &action, nullptr);
  }
}

void StopSignals::disarm() {
  if (!armed_) return;
  armed_ = false;
  for (std::size_t i = 0; i < stop_signal_numbers.size(); ++i) {
    if (handled[i]) ::sigaction(stop_signal_numbers[i], &saved_actions[i], nullptr);
  }
  collect();
}

void StopSignals::collect() {
  unsigned char byte = 0;
  while (wake_pipe[0] >= 0 && ::read(wake_pipe[0], &byte, 1) == 1) announce(byte);
}

#elif defined(Q_OS_WIN)

// The console runs its handler on a thread of its own; the announcement is
// queued to the object's thread.
namespace {

StopSignals* instance = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
  const int number = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
  QMetaObject::invokeMethod(instance, "announce", Qt::QueuedConnection, Q_ARG(int, number));
  return TRUE;
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) { instance = this; }

StopSignals::~StopSignals() {
  disarm();
  instance = nullptr;
}

void StopSignals::arm() {
  if (armed_) return;
  armed_ = true;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

void StopSignals::disarm() {
  if (!armed_) return;
  armed_ = false;
  SetConsoleCtrlHandler(on_console_event, FALSE);
  collect();
}

void StopSignals::collect() { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); }

#endif

void StopSignals::announce(int signal) {
  ++count_;
  if (!first_) first_ = signal;
  emit received(signal, count_);
}

QString StopSignals::name(int signal) {
  switch (signal) {
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGTERM: return QStringLiteral("SIGTERM");
#ifdef SIGHUP
    case SIGHUP: return QStringLiteral("SIGHUP");
#endif
    default: return QStringLiteral("segnale %1").arg(signal);
  }
}

}  // namespace quarn::cli
