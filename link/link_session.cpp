#include "link/link_session.h"

namespace quarn {

LinkSession::LinkSession(SerialLink& port, QObject* window) : QObject(window), port_(port), protocol_(port, window) {
  // The loss is recorded and announced before the interrupted wait reports,
  // so the operation that ends finds the state already right.
  connect(&port_, &SerialLink::lost, this, [this](const PortError& error) {
    last_loss_ = error;
    emit deviceLost();
    protocol_.abortWait();
  });
}

bool LinkSession::begin() {
  if (busy_) return false;
  busy_ = true;
  cancelled_ = false;
  return true;
}

void LinkSession::end() { busy_ = false; }

void LinkSession::cancel() {
  if (!busy_) return;
  cancelled_ = true;
  protocol_.abortWait();
}

Stop LinkSession::stopOf(bool success) const {
  if (success) return Stop::Completed;
  if (cancelled_) return Stop::Cancelled;
  if (!port_.isOpen()) return Stop::PortClosed;
  return Stop::TimedOut;
}

void LinkSession::readyWait(std::function<void(Stop)> done) {
  protocol_.readyWait([this, done = std::move(done)](bool ready) { done(stopOf(ready)); });
}

void LinkSession::readMemory(std::function<void(int)> progress, std::function<void(Stop, const MemoryRead&)> done) {
  progress_ = std::move(progress);
  read_done_ = std::move(done);
  readFrom(0);
}

void LinkSession::readFrom(int address) {
  if (cancelled_ || !port_.isOpen()) {
    read_done_(stopOf(false), memory_);
    return;
  }
  progress_(address);
  protocol_.readStep(static_cast<std::uint8_t>(address), [this, address](std::optional<std::uint8_t> value) {
    if (!value) {
      read_done_(stopOf(false), memory_);
      return;
    }
    memory_[static_cast<std::size_t>(address)] = *value;
    if (address + 1 < read_count) {
      readFrom(address + 1);
    } else {
      read_done_(Stop::Completed, memory_);
    }
  });
}

void LinkSession::writeCells(int last_address, std::function<std::uint8_t(int)> value_of,
                             std::function<void(int)> progress, std::function<void(Stop)> done) {
  last_address_ = last_address;
  value_of_ = std::move(value_of);
  progress_ = std::move(progress);
  write_done_ = std::move(done);
  writeFrom(0);
}

void LinkSession::writeFrom(int address) {
  if (cancelled_ || !port_.isOpen()) {
    write_done_(stopOf(false));
    return;
  }
  progress_(address);
  protocol_.writeStep(static_cast<std::uint8_t>(address), value_of_(address), [this, address](bool acknowledged) {
    if (!acknowledged) {
      write_done_(stopOf(false));
    } else if (address < last_address_) {
      writeFrom(address + 1);
    } else {
      write_done_(Stop::Completed);
    }
  });
}

void LinkSession::endSession(char end_letter) {
  if (port_.isOpen()) protocol_.send(static_cast<std::uint8_t>(end_letter));
  if (port_.isOpen()) port_.close();
}

}  // namespace quarn
