#include "emulator/emulated_transmitter.h"

namespace quarn {

namespace {
QByteArray to_byte_array(const TransmitterModel::Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}
}  // namespace

EmulatedTransmitter::EmulatedTransmitter(const TransmitterModel& model, const LineTiming& timing,
                                         QObject* parent)
    : QObject(parent),
      model_(model),
      timing_(timing),
      to_device_(clock_, timing.paced),
      to_client_(clock_, timing.paced) {
  clock_.start();
  announcer_.setInterval(timing_.ready_period);
  connect(&announcer_, &QTimer::timeout, this, &EmulatedTransmitter::announce);
  connect(&to_device_, &PacedLine::delivered, this, &EmulatedTransmitter::deliverToDevice);
  connect(&to_client_, &PacedLine::delivered, this, &EmulatedTransmitter::deliverToClient);
}

void EmulatedTransmitter::clientConnected() {
  // What the last client sent before closing still reaches the device, with
  // no one left to hear the answers.
  deliverToDevice(to_device_.takeAll());
  model_.clientLeft();
  client_ = true;
  emit clientChanged(true);
  announce();
  announcer_.start();
}

void EmulatedTransmitter::receive(const QByteArray& bytes) { to_device_.send(bytes); }

void EmulatedTransmitter::clientDisconnected() {
  if (!client_) return;
  client_ = false;
  announcer_.stop();
  to_client_.takeAll();
  emit clientChanged(false);
}

void EmulatedTransmitter::announce() {
  to_client_.send(to_byte_array(model_.announcement()));
}

void EmulatedTransmitter::deliverToDevice(const QByteArray& bytes) {
  for (const char byte : bytes) {
    log(TrafficEntry::Direction::ToTransmitter, byte);
    const TransmitterModel::Reply reply = model_.receive(std::uint8_t(byte));
    if (!client_ || reply.bytes.empty()) continue;
    to_client_.send(to_byte_array(reply.bytes),
                    reply.acknowledges_write ? timing_.write_delay : std::chrono::milliseconds{});
  }
}

void EmulatedTransmitter::deliverToClient(const QByteArray& bytes) {
  for (const char byte : bytes) log(TrafficEntry::Direction::ToClient, byte);
  emit bytesToClient(bytes);
}

void EmulatedTransmitter::log(TrafficEntry::Direction direction, char byte) {
  traffic_.push_back({direction, std::uint8_t(byte), double(clock_.nsecsElapsed()) / 1e6});
  emit trafficLogged(traffic_.back());
}

}  // namespace quarn
