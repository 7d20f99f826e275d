#include "emulator/tool/stop_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace quarn {

namespace {
sigset_t stop_signal_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}
}  // namespace

void block_stop_signals() {
  const sigset_t set = stop_signal_set();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  // A shell starts background jobs with SIGINT ignored, and an ignored signal
  // never reaches the signalfd.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

void quit_on_stop_signals(QCoreApplication& app) {
  const sigset_t set = stop_signal_set();
  const int descriptor = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [descriptor] {
    signalfd_siginfo info;
    while (::read(descriptor, &info, sizeof info) == sizeof info) {
    }
    QCoreApplication::quit();
  });
}

}  // namespace quarn
