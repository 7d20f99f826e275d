#pragma once
// The sequences of a session on top of the command protocol (reading the
// memory, writing cells, ending the session) and the guard that lets exactly
// one link operation run at a time.

#include "config/block_decoding.h"
#include "link/link_protocol.h"

#include <functional>
#include <optional>

namespace quarn {

// How a wait or a sequence ended.
enum class Stop {
  Completed,
  Cancelled,   // the operator ended the operation (Disconetti, TX, ESCI)
  PortClosed,  // the port closed or the device went away
  TimedOut     // a write step got no "K" within Timer1
};

class LinkSession : public QObject {
  Q_OBJECT
 public:
  LinkSession(SerialLink& port, QObject* window);

  SerialLink& port() { return port_; }
  LinkProtocol& protocol() { return protocol_; }

  // The one-operation guard: begin() is refused while an operation runs.
  bool busy() const { return busy_; }
  bool begin();
  void end();
  // Ends the running operation's wait as if the port had closed; the
  // operation then sees Stop::Cancelled.
  void cancel();
  // The error of the last device loss (USB adapter unplugged), if any.
  std::optional<PortError> lastLoss() const { return last_loss_; }

  void readyWait(std::function<void(Stop)> done);
  // Reads cells 0 to 62 in order; `progress` is told each address first.
  void readMemory(std::function<void(int address)> progress,
                  std::function<void(Stop, const MemoryRead&)> done);
  // Writes cells 0 to `last_address`, each acknowledged; the value of a cell
  // is asked for at the moment it is written. Stops at the first failure.
  void writeCells(int last_address, std::function<std::uint8_t(int address)> value_of,
                  std::function<void(int address)> progress, std::function<void(Stop)> done);
  // Sends the end letter ("E" or "Q") and closes the port, each only if open.
  void endSession(char end_letter);

 signals:
  // The device went away (the port is closed already); any running wait then
  // ends with Stop::PortClosed.
  void deviceLost();

 private:
  Stop stopOf(bool success) const;
  void readFrom(int address);
  void writeFrom(int address);

  SerialLink& port_;
  LinkProtocol protocol_;
  bool busy_ = false;
  bool cancelled_ = false;
  std::optional<PortError> last_loss_;

  // The sequence in progress.
  MemoryRead memory_{};
  int last_address_ = 0;
  std::function<std::uint8_t(int)> value_of_;
  std::function<void(int)> progress_;
  std::function<void(Stop, const MemoryRead&)> read_done_;
  std::function<void(Stop)> write_done_;
};

}  // namespace quarn
