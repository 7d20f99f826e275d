#include "emulator/emulated_link.h"

#include <algorithm>
#include <utility>

namespace quarn {

EmulatedLink::EmulatedLink(EmulatedTransmitter& transmitter, QObject* parent)
    : SerialLink(parent), transmitter_(transmitter) {
  connect(&transmitter_, &EmulatedTransmitter::bytesToClient, this, &EmulatedLink::receive);
  // A device that vanishes is an adapter pulled out; it may be opened again.
  connect(&transmitter_, &EmulatedTransmitter::vanished, this, &EmulatedLink::unplug);
}

void EmulatedLink::setPortNumber(int number) { number_ = number; }

int EmulatedLink::portNumber() const { return number_; }

std::optional<PortError> EmulatedLink::open() {
  if (open_) return std::nullopt;
  if (open_failure_) return open_failure_;
  open_ = true;
  transmitter_.clientConnected();
  return std::nullopt;
}

void EmulatedLink::close() {
  if (!open_) return;
  // Written bytes are on the line already and still reach the transmitter.
  open_ = false;
  received_.clear();
  transmitter_.clientDisconnected();
}

bool EmulatedLink::isOpen() const { return open_; }

void EmulatedLink::setReadGranularity(int bytes) { granularity_ = std::max(1, bytes); }

int EmulatedLink::bytesWaiting() const { return int(received_.size()); }

QByteArray EmulatedLink::read() {
  const QByteArray bytes = received_.left(granularity_);
  received_.remove(0, bytes.size());
  return bytes;
}

void EmulatedLink::write(const QByteArray& bytes) {
  if (open_) transmitter_.receive(bytes);
}

void EmulatedLink::unplug() {
  if (!open_) return;
  close();
  emit lost({unplugged_error_number, QStringLiteral("Dispositivo scollegato"), PortFault::Lost});
}

void EmulatedLink::setOpenFailure(std::optional<PortError> error) { open_failure_ = std::move(error); }

// Like a serial port's receive queue, what arrives beyond its size is lost.
void EmulatedLink::receive(const QByteArray& bytes) {
  if (!open_) return;
  received_.append(bytes.left(std::max<qsizetype>(0, receive_queue_bytes - received_.size())));
  emit bytesArrived();
}

}  // namespace quarn
