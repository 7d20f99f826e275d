#include "cli/device_session.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace quarn::cli {

DeviceSession::DeviceSession(const DeviceOptions& options) : options_(options), session_(port_) {
  port_.setPortNumber(options.port_number);
  session_.setTrace(options.trace);
  // The service saves the memory as read before its first write.
  if (options.back_up) session_.setBackupStore(&backups_.emplace(BackupStore::defaultFolder()));
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

DeviceSession::~DeviceSession() { session_.endSession('E'); }

void DeviceSession::wait(const bool& done) {
  QEventLoop loop;
  while (!done) loop.processEvents(QEventLoop::WaitForMoreEvents);
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
  });
  wait(done);
  QObject::disconnect(started);
  if (timed_out) *timed_out = expired && result.first.kind == OutcomeKind::Cancelled;
  return result;
}

WriteResult DeviceSession::program(std::vector<std::uint8_t> writes) {
  bool done = false;
  WriteResult result;
  session_.program(std::move(writes), [&](const WriteResult& r) {
    result = r;
    done = true;
  });
  wait(done);
  return result;
}

WriteResult DeviceSession::loadFactorySet(Band band, Generation generation) {
  bool done = false;
  WriteResult result;
  session_.loadFactorySet(band, [generation] { return generation; }, [] {}, [&](const WriteResult& r) {
    result = r;
    done = true;
  });
  wait(done);
  return result;
}

void DeviceSession::end(char letter) { session_.endSession(letter); }

}  // namespace quarn::cli
