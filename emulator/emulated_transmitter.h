#pragma once
// A transmitter on the far end of an emulated serial line: the protocol model
// behind two paced line directions, the ready announcements while a client
// waits, and a log of every byte that crossed.

#include "emulator/paced_line.h"
#include "emulator/traffic_log.h"
#include "emulator/transmitter_model.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <vector>

namespace quarn {

struct LineTiming {
  bool paced = true;                             // 1/240 s per byte and direction
  std::chrono::milliseconds write_delay{0};      // device time before a write is acknowledged
  std::chrono::milliseconds ready_period{500};   // between ready announcements
  // How long the late acknowledgement of TransmitterFaults::late_ack_at
  // takes: past the PC's 4 s.
  std::chrono::milliseconds late_reply{5000};
};

class EmulatedTransmitter : public QObject {
  Q_OBJECT
 public:
  explicit EmulatedTransmitter(const TransmitterModel& model, const LineTiming& timing = {},
                               QObject* parent = nullptr);

  // The transport's side: a client opened the port, wrote, closed it.
  void clientConnected();
  void receive(const QByteArray& bytes);
  void clientDisconnected();
  bool hasClient() const { return client_; }

  const TransmitterModel& model() const { return model_; }
  void setFaults(const TransmitterFaults& faults) { model_.setFaults(faults); }
  // The bytes the device can hold on their way in, like a UART's buffer: a
  // client flooding the line loses what does not fit.
  static constexpr qsizetype device_input_bytes = 4096;
  // The traffic kept in memory; a flood beyond it is logged but not kept.
  static constexpr std::size_t traffic_kept_entries = std::size_t(1) << 20;

  const std::vector<TrafficEntry>& traffic() const { return traffic_; }
  // Bytes a client sent that the device had no room for.
  qint64 droppedInput() const { return dropped_input_; }

 signals:
  // Bytes that have reached the client's end of the line.
  void bytesToClient(const QByteArray& bytes);
  void trafficLogged(const quarn::TrafficEntry& entry);
  void clientChanged(bool connected);
  // The device went away (TransmitterFaults::vanish_at_read, vanish_at_write):
  // the port behind it must close.
  void vanished();
  // The device has answered a step with nothing the PC takes as its reply in
  // time (TransmitterModel::Reply::unanswered), and what it did send has
  // reached the client: the step can now end only by the PC's time-out. A
  // test ends the wait here instead of waiting out the real 4 s.
  void stepUnanswered();

 private:
  void announce();
  void deliverToDevice(const QByteArray& bytes, const QList<qint64>& planned_ns);
  std::chrono::milliseconds replyDelay(const TransmitterModel::Reply& reply) const;
  void deliverToClient(const QByteArray& bytes, const QList<qint64>& planned_ns);
  void log(TrafficEntry::Direction direction, char byte, qint64 planned_ns);

  TransmitterModel model_;
  const LineTiming timing_;
  QElapsedTimer clock_;
  PacedLine to_device_;
  PacedLine to_client_;
  QTimer announcer_;
  bool client_ = false;
  std::vector<TrafficEntry> traffic_;
  qint64 dropped_input_ = 0;
  bool unanswered_on_the_line_ = false;  // stepUnanswered is due once the line has delivered
};

}  // namespace quarn
