#pragma once
// The command protocol: the commands the program sends and the waits with
// which it listens for the transmitter. Waiting is event-driven: a wait looks
// at the port when bytes arrive, when a timer fires or when the port goes
// away, and otherwise costs nothing, so the window stays live during transfers.

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

  explicit LinkProtocol(SerialLink& port, QObject* parent = nullptr);

  SerialLink& port() { return port_; }
  // "Timer1": the one-shot reply time-out, restarted for each write step.
  QTimer& timer1() { return timer1_; }
  bool waiting() const { return wait_ != Wait::None; }

  // Writes one letter when the port is open ("E", "Q").
  void send(char letter);
  // Drops what waits in the receive queue, then sends the whole command as
  // one write. Nothing waiting can be the reply to a command not yet sent;
  // every byte dropped is counted as a sign that replies are out of step.
  void sendCommand(const QByteArray& command);

  // Each wait calls `done` exactly once. A wait never completes inside the
  // call that starts it: bytes already waiting, or a closed port, are taken
  // up after a pass of the event loop; bytes that arrive later as they come.

  // Ready wait: bytes before the "K" are dropped; no time-out. false: the port closed.
  void readyWait(std::function<void(bool ready)> done);
  // Read step: "R" and the address, then the first byte back is the cell's
  // value. No time-out; nullopt when the port closed meanwhile.
  void readStep(std::uint8_t address, std::function<void(std::optional<std::uint8_t>)> done);
  // Write step: "W", address, value, then the whole reply must be exactly "K"
  // before Timer1 fires. false on a time-out or a closed port.
  void writeStep(std::uint8_t address, std::uint8_t value, std::function<void(bool acknowledged)> done);
  // Guard after the last reply of a sequence: listens for `ms`. A byte that
  // arrives (or waits already) is one reply too many: it is dropped, counted
  // and ends the guard at once. false: the port closed.
  void guardWait(int ms, std::function<void(bool port_open)> done);

  // Bytes that came without a command asking for them, since the last call.
  int takeStrayCount() { return std::exchange(stray_count_, 0); }

  // Ends the running wait as if the port had closed (its `done` runs now).
  // Also what the owner calls when the port goes away.
  void abortWait();
  // Ends the running acknowledgement wait as Timer1 running out does, on the
  // next pass of the event loop; Timer1 keeps its interval. For a caller that
  // knows no "K" is coming (a test whose emulated device has withheld it).
  void runTimer1Out();

 private:
  enum class Wait { None, Ready, Byte, Acknowledgement, Guard };

  void startWait(Wait wait);
  void service();
  void onTimer1();
  void onGuardTimer();
  bool takeOneByte();
  void dropWaiting();
  void finish(bool success);

  SerialLink& port_;
  QTimer timer1_;
  QTimer guard_timer_;
  QByteArray reply_;
  Wait wait_ = Wait::None;
  bool yielded_ = false;      // the wait has passed through the event loop once
  unsigned wait_serial_ = 0;  // tells a wait's own yield from a stale one
  int stray_count_ = 0;
  std::function<void(bool)> done_;
};

}  // namespace quarn
