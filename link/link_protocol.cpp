#include "link/link_protocol.h"

#include <utility>

namespace quarn {

LinkProtocol::LinkProtocol(SerialLink& port, QObject* parent) : QObject(parent), port_(port) {
  timer1_.setObjectName("Timer1");
  timer1_.setSingleShot(true);  // its tick only stops it
  timer1_.setInterval(ack_timeout_ms);
  timer1_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire up to 5% early
  connect(&timer1_, &QTimer::timeout, this, &LinkProtocol::onTimer1);
  guard_timer_.setSingleShot(true);
  guard_timer_.setTimerType(Qt::PreciseTimer);
  connect(&guard_timer_, &QTimer::timeout, this, &LinkProtocol::onGuardTimer);
  connect(&port_, &SerialLink::bytesArrived, this, &LinkProtocol::service);
}

void LinkProtocol::send(char letter) {
  if (port_.isOpen()) port_.write(QByteArray(1, letter));
}

void LinkProtocol::sendCommand(const QByteArray& command) {
  dropWaiting();
  if (port_.isOpen()) port_.write(command);
}

void LinkProtocol::dropWaiting() {
  while (port_.isOpen() && port_.bytesWaiting() > 0) stray_count_ += int(port_.read().size());
}

void LinkProtocol::readyWait(std::function<void(bool)> done) {
  reply_.clear();
  done_ = std::move(done);
  startWait(Wait::Ready);
}

void LinkProtocol::readStep(std::uint8_t address, std::function<void(std::optional<std::uint8_t>)> done) {
  reply_.clear();
  sendCommand(QByteArray(1, letter::read) + char(address));
  done_ = [this, done = std::move(done)](bool ok) {
    done(ok ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(reply_.at(0))) : std::nullopt);
  };
  startWait(Wait::Byte);
}

void LinkProtocol::writeStep(std::uint8_t address, std::uint8_t value, std::function<void(bool)> done) {
  reply_.clear();
  sendCommand(QByteArray(1, letter::write) + char(address) + char(value));
  timer1_.stop();
  timer1_.start();
  done_ = std::move(done);
  startWait(Wait::Acknowledgement);
}

void LinkProtocol::guardWait(int ms, std::function<void(bool)> done) {
  reply_.clear();
  guard_timer_.start(ms);
  done_ = std::move(done);
  startWait(Wait::Guard);
}

void LinkProtocol::abortWait() {
  if (wait_ != Wait::None) finish(false);
}

void LinkProtocol::runTimer1Out() {
  if (wait_ != Wait::Acknowledgement) return;
  const unsigned serial = wait_serial_;
  QMetaObject::invokeMethod(
      this,
      [this, serial] {
        if (serial == wait_serial_) onTimer1();
      },
      Qt::QueuedConnection);
}

void LinkProtocol::startWait(Wait wait) {
  Q_ASSERT(wait_ == Wait::None);
  wait_ = wait;
  // With nothing waiting on an open port the wait has nothing to take now,
  // and every later byte comes through the event loop: no pass is needed.
  yielded_ = port_.isOpen() && port_.bytesWaiting() == 0;
  if (yielded_) return;
  const unsigned serial = ++wait_serial_;
  QMetaObject::invokeMethod(
      this,
      [this, serial] {
        if (serial != wait_serial_ || wait_ == Wait::None) return;
        yielded_ = true;
        service();
      },
      Qt::QueuedConnection);
}

// Takes the bytes that wait, one per read, until the wait is satisfied. Bytes
// after the one that satisfies it stay in the port for the next wait. The
// loop returns as soon as the wait finishes: the caller's callback may have
// started the next wait, or destroyed this object.
void LinkProtocol::service() {
  if (wait_ == Wait::None || !yielded_) return;
  if (!port_.isOpen()) {
    finish(false);
    return;
  }
  while (port_.bytesWaiting() > 0) {
    if (takeOneByte()) {
      finish(true);
      return;
    }
  }
}

// Reads one byte into the reply buffer; true when the wait is satisfied.
bool LinkProtocol::takeOneByte() {
  const QByteArray byte = port_.read();
  switch (wait_) {
    case Wait::Ready:
      reply_ = byte;  // each byte replaces the last: noise before the "K" is dropped
      return reply_ == QByteArray(1, letter::ready);
    case Wait::Byte:
      reply_ += byte;
      return reply_.size() == 1;
    case Wait::Acknowledgement:
      // The whole reply counts: a stray byte before the "K" spoils the step.
      reply_ += byte;
      return reply_ == QByteArray(1, letter::ready);
    case Wait::Guard:
      stray_count_ += int(byte.size());
      dropWaiting();
      return true;
    case Wait::None:
      break;
  }
  return false;
}

// Timer1 ran out. A "K" that is already waiting still counts.
void LinkProtocol::onTimer1() {
  if (wait_ != Wait::Acknowledgement) return;
  if (port_.isOpen() && port_.bytesWaiting() > 0 && takeOneByte()) {
    finish(true);
    return;
  }
  finish(false);
}

// The guard time passed without a byte: the replies were in step.
void LinkProtocol::onGuardTimer() {
  if (wait_ != Wait::Guard) return;
  finish(true);
}

void LinkProtocol::finish(bool success) {
  wait_ = Wait::None;
  // An answered step's time-out would otherwise run on and fire for nothing.
  timer1_.stop();
  guard_timer_.stop();
  auto done = std::move(done_);
  done_ = nullptr;
  done(success);
}

}  // namespace quarn
