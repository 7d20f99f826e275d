#include "tools/soak/soak_device.h"

namespace quarn::soak {

namespace {
LineTiming unpaced() {
  LineTiming timing;
  timing.paced = false;
  timing.late_reply = std::chrono::minutes(10);  // after the cycle: the time-out has come long before
  return timing;
}
}  // namespace

SoakDevice::SoakDevice(const MemoryImage& memory, const TransmitterFaults& faults)
    // The faults go in with the memory, so that a fault of the stored cells
    // (a wrong checksum) applies as well as those of the replies.
    : faults_(faults), transmitter_(TransmitterModel(memory, faults), unpaced()), pty_(transmitter_) {
  QObject::connect(&transmitter_, &EmulatedTransmitter::vanished, [this] { vanished_ = true; });
  error_ = pty_.open();
  if (!error_) qputenv("QUARN_COM1", pty_.slavePath().toLocal8Bit());
}

void SoakDevice::timeOutUnansweredSteps(TransmitterSession& session) {
  QObject::connect(&transmitter_, &EmulatedTransmitter::stepUnanswered, &session, [&session] { session.runTimer1Out(); });
}

QByteArray SoakDevice::bytesSince(std::size_t mark, TrafficEntry::Direction direction) const {
  const auto& traffic = transmitter_.traffic();
  const std::vector<TrafficEntry> since(traffic.begin() + std::ptrdiff_t(std::min(mark, traffic.size())), traffic.end());
  return traffic_bytes(since, direction);
}

QByteArray SoakDevice::sentSince(std::size_t mark) const {
  return bytesSince(mark, TrafficEntry::Direction::ToTransmitter);
}

QByteArray SoakDevice::repliedSince(std::size_t mark) const {
  return bytesSince(mark, TrafficEntry::Direction::ToClient);
}

}  // namespace quarn::soak
