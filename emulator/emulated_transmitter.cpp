#include "emulator/emulated_transmitter.h"

#include <algorithm>

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
  const QByteArray unheard = to_device_.takeAll();
  deliverToDevice(unheard, QList<qint64>(unheard.size(), clock_.nsecsElapsed()));
  model_.clientLeft();
  client_ = true;
  emit clientChanged(true);
  announce();
  announcer_.start();
}

void EmulatedTransmitter::receive(const QByteArray& bytes) {
  const qsizetype room = std::max<qsizetype>(0, device_input_bytes - to_device_.pending());
  dropped_input_ += std::max<qsizetype>(0, bytes.size() - room);
  to_device_.send(bytes.left(room));
}

void EmulatedTransmitter::clientDisconnected() {
  if (!client_) return;
  client_ = false;
  announcer_.stop();
  to_client_.takeAll();
  unanswered_on_the_line_ = false;
  emit clientChanged(false);
}

void EmulatedTransmitter::announce() {
  to_client_.send(to_byte_array(model_.announcement()));
}

// A reply starts from the planned arrival of the byte it answers, so a late
// delivery does not push the rest of the exchange back.
void EmulatedTransmitter::deliverToDevice(const QByteArray& bytes, const QList<qint64>& planned_ns) {
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    log(TrafficEntry::Direction::ToTransmitter, bytes[i], planned_ns[i]);
    // A line with echo returns the byte as it passes, ahead of any reply.
    if (client_ && model_.faults().echo) to_client_.sendFrom(planned_ns[i], bytes.mid(i, 1));
    const TransmitterModel::Reply reply = model_.receive(std::uint8_t(bytes[i]));
    if (reply.vanishes) {
      to_client_.takeAll();
      emit vanished();
      return;
    }
    if (!client_) continue;
    if (!reply.bytes.empty()) to_client_.sendFrom(planned_ns[i], to_byte_array(reply.bytes), replyDelay(reply));
    if (reply.unanswered) {
      // A late reply is not waited for: the PC's time-out comes first.
      if (reply.bytes.empty() || reply.late) emit stepUnanswered();
      else unanswered_on_the_line_ = true;
    }
  }
}

std::chrono::milliseconds EmulatedTransmitter::replyDelay(const TransmitterModel::Reply& reply) const {
  if (reply.late) return timing_.late_reply;
  return reply.acknowledges_write ? timing_.write_delay : std::chrono::milliseconds{};
}

void EmulatedTransmitter::deliverToClient(const QByteArray& bytes, const QList<qint64>& planned_ns) {
  for (qsizetype i = 0; i < bytes.size(); ++i) log(TrafficEntry::Direction::ToClient, bytes[i], planned_ns[i]);
  emit bytesToClient(bytes);
  if (unanswered_on_the_line_ && to_client_.pending() == 0) {
    unanswered_on_the_line_ = false;
    emit stepUnanswered();
  }
}

void EmulatedTransmitter::log(TrafficEntry::Direction direction, char byte, qint64 planned_ns) {
  const TrafficEntry entry{direction, std::uint8_t(byte), double(clock_.nsecsElapsed()) / 1e6, double(planned_ns) / 1e6};
  if (traffic_.size() < traffic_kept_entries) traffic_.push_back(entry);
  emit trafficLogged(entry);
}

}  // namespace quarn
