#pragma once
// The command protocol: one-byte sends and the three waits with which the
// program listens for the transmitter. Waiting is event-driven: a wait looks at
// the port when bytes arrive, when Timer1 fires or when the port goes away,
// and otherwise costs nothing, so the window stays live during transfers.

#include "link/serial_link.h"

#include <QByteArray>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace quarn {

namespace letter {
inline constexpr char ready = 'K';  // transmitter: ready, and acknowledgement of a write
inline constexpr char begin = 'U';  // answer to the ready "K": the session begins
inline constexpr char read = 'R';
inline constexpr char write = 'W';
inline constexpr char end = 'E';
inline constexpr char test_transmission = 'Q';
}  // namespace letter

class LinkProtocol : public QObject {
  Q_OBJECT
 public:
  static constexpr int ack_timeout_ms = 4000;

  // `parent` owns the protocol; Timer1 becomes its child so it can be found by name.
  LinkProtocol(SerialLink& port, QObject* parent);

  SerialLink& port() { return port_; }
  // "Timer1": the one-shot reply time-out, restarted for each write step.
  QTimer& timer1() { return timer1_; }
  const QByteArray& replyBuffer() const { return reply_; }
  bool waiting() const { return wait_ != Wait::None; }

  // Writes one byte (a letter, an address or a value) when the port is open.
  void send(std::uint8_t byte);

  // Each wait calls `done` exactly once. A wait never completes inside the
  // call that starts it: it first yields to the event loop, then takes the
  // bytes that are already waiting and those that arrive later.

  // Ready wait: bytes before the "K" are dropped; no time-out. false: the port closed.
  void readyWait(std::function<void(bool ready)> done);
  // Read step: "R", address, then the first byte back is the cell's value.
  // No time-out; nullopt when the port closed meanwhile.
  void readStep(std::uint8_t address, std::function<void(std::optional<std::uint8_t>)> done);
  // Write step: "W", address, value, then the whole reply must be exactly "K"
  // before Timer1 fires. false on a time-out or a closed port.
  void writeStep(std::uint8_t address, std::uint8_t value, std::function<void(bool acknowledged)> done);

  // Ends the running wait as if the port had closed (its `done` runs now).
  // Also what the owner calls when the port goes away.
  void abortWait();

 private:
  enum class Wait { None, Ready, Byte, Acknowledgement };

  void startWait(Wait wait);
  void service();
  void onTimer1();
  bool takeOneByte();
  void finish(bool success);

  SerialLink& port_;
  QTimer timer1_;
  QByteArray reply_;
  Wait wait_ = Wait::None;
  bool yielded_ = false;     // the wait has passed through the event loop once
  unsigned wait_serial_ = 0;  // tells a wait's own yield from a stale one
  std::function<void(bool)> done_;
};

}  // namespace quarn
