#include "cli/device_session.h"

#include "link/link_protocol.h"

#include <cstdio>

namespace quarn::cli {

QString port_label(int number, const QString& device) { return QString("Com %1 (%2)").arg(number).arg(device); }

DeviceSession::DeviceSession(const DeviceOptions& options) : options_(options), session_(port_) {
  port_.setPortNumber(options.port_number);
  port_.setDevice(options.device);
  session_.setTrace(options.trace);
  // The service saves the memory as read before its first write.
  if (options.back_up) session_.setBackupHook(backups_.emplace(BackupStore::defaultFolder()).hook());
#ifdef QUARN_TEST_SEAMS
  takeTestSeams();
#endif
  // A device that stops answering in the middle of a read would keep the
  // command waiting for ever; no program is there to press Disconetti.
  reply_watch_.setSingleShot(true);
  QObject::connect(&reply_watch_, &QTimer::timeout, [this] {
    reply_missing_ = true;
    session_.cancel();
  });
  QObject::connect(&session_, &TransmitterSession::stepsStarted, [this](bool writing, int) {
    reading_ = !writing;
    reply_watch_.stop();
  });
  QObject::connect(&session_, &TransmitterSession::progress, [this] { watchReadStep(); });
  if (options.stops) {
    options.stops->arm();
    stop_connection_ = QObject::connect(options.stops, &StopSignals::received,
                                        [this](int signal, int count) { onStopSignal(signal, count); });
  }
  if (options.progress) {
    QObject::connect(&session_, &TransmitterSession::waitingForReady,
                     [] { std::fprintf(stderr, "In attesa del trasmettitore...\n"); });
    QObject::connect(&session_, &TransmitterSession::stepsStarted,
                     [this](bool writing, int) { step_label_ = writing ? "Scrittura" : "Lettura"; });
    QObject::connect(&session_, &TransmitterSession::progress, [this](int address, int last) {
      std::fprintf(stderr, "\r%s %2d/%d", step_label_, address, last);
      line_open_ = address != last;
      if (!line_open_) std::fputc('\n', stderr);
      std::fflush(stderr);
    });
  }
}

DeviceSession::~DeviceSession() {
  session_.endSession(letter::end);
  if (options_.stops) {
    QObject::disconnect(stop_connection_);
    options_.stops->disarm();
  }
}

void DeviceSession::onStopSignal(int signal, int count) {
  if (writing_ && count == 1) {
    std::fprintf(stderr, "%s%s: la scrittura in corso viene portata a termine, poi quarnctl esce; "
                         "un secondo segnale la ferma subito\n",
                 line_open_ ? "\n" : "", qPrintable(StopSignals::name(signal)));
    line_open_ = false;
    return;
  }
  session_.cancel();
}

// Each read step has as long for its reply as a write step has for its "K".
void DeviceSession::watchReadStep() {
  if (reading_) reply_watch_.start(session_.timer1().interval());
}

#ifdef QUARN_TEST_SEAMS
// Test seams, in a build with QUARN_TEST_SEAMS only (never in one that
// ships). QUARNCTL_REPLY_GUARD_MS shortens the guard after the last reply,
// which the tests' emulated device never answers into. A test that serves the
// emulated device itself knows the moment a step will get no reply: with
// QUARNCTL_TIME_OUT_FD naming a descriptor, each byte read from it runs the
// waiting step's time-out out at once instead of after 4 s.
void DeviceSession::takeTestSeams() {
  if (const int ms = qEnvironmentVariableIntValue("QUARNCTL_REPLY_GUARD_MS"); ms > 0) session_.setReplyGuard(ms);
  bool given = false;
  const int descriptor = qEnvironmentVariableIntValue("QUARNCTL_TIME_OUT_FD", &given);
  if (!given || descriptor < 0 ||
      !time_out_source_.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)) {
    return;
  }
  time_out_requests_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
  QObject::connect(time_out_requests_.get(), &QSocketNotifier::activated, [this] {
    if (time_out_source_.read(1).isEmpty()) {
      time_out_requests_->setEnabled(false);  // the writer has gone
    } else {
      timeOutNow();
    }
  });
}

// A read step's reply watch, or Timer1 of a write step, fires on the next pass.
void DeviceSession::timeOutNow() {
  if (reply_watch_.isActive()) {
    reply_watch_.start(0);  // each read step starts it again with its interval
  } else {
    session_.runTimer1Out();
  }
}
#endif

// The callback that sets `done` also quits the loop. Waiting for "more
// events" until `done` is set is not enough: under Qt for Windows the event
// that completed the operation did not count as one, and quarnctl waited for
// ever after a write without its acknowledgement.
void DeviceSession::wait(const bool& done) {
  reply_missing_ = false;
  while (!done) loop_.exec();
  reply_watch_.stop();
  // A run that stopped part way leaves its progress line open: close it
  // before any message follows.
  if (line_open_) std::fputc('\n', stderr);
  line_open_ = false;
}

std::pair<Outcome, ReadResult> DeviceSession::connectAndRead(bool* timed_out) {
  bool done = false;
  bool expired = false;
  std::pair<Outcome, ReadResult> result;
  QTimer ready_timer;
  ready_timer.setSingleShot(true);
  ready_timer.setInterval(options_.ready_timeout_s * 1000);
  QObject::connect(&ready_timer, &QTimer::timeout, [&] {
    expired = true;
    session_.cancel();
  });
  const auto started = QObject::connect(&session_, &TransmitterSession::sessionStarted, &ready_timer, &QTimer::stop);
  ready_timer.start();
  session_.connectAndRead([&](const Outcome& o, const ReadResult& r) {
    result = {o, r};
    done = true;
    loop_.quit();
  });
  wait(done);
  QObject::disconnect(started);
  if (timed_out) *timed_out = (expired || reply_missing_) && result.first.kind == OutcomeKind::Cancelled;
  return result;
}

WriteResult DeviceSession::writeRun(const std::function<void(TransmitterSession::WriteDone)>& start) {
  WriteResult result;
  if (options_.stops) options_.stops->collect();
  if (options_.stops && options_.stops->first()) {
    result.outcome.kind = OutcomeKind::Cancelled;
    return result;
  }
  bool done = false;
  writing_ = true;
  start([&](const WriteResult& r) {
    result = r;
    done = true;
    loop_.quit();
  });
  wait(done);
  writing_ = false;
  return result;
}

WriteResult DeviceSession::program(std::vector<std::uint8_t> writes) {
  return writeRun([&](TransmitterSession::WriteDone done) { session_.program(std::move(writes), std::move(done)); });
}

WriteResult DeviceSession::loadFactorySet(Band band, Generation generation) {
  return writeRun([&](TransmitterSession::WriteDone done) {
    session_.loadFactorySet(band, [generation] { return generation; }, [] {}, std::move(done));
  });
}

void DeviceSession::end(char letter) { session_.endSession(letter); }

}  // namespace quarn::cli
