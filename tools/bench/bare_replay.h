#pragma once
// The line's floor as the benchmark sets it up. A bare client replays the
// exchanges the window made: a blocking loop on the pseudo-terminal that
// writes each command the moment the last byte of its reply is in, with no
// event loop, no serial layer and no window. What it takes beyond the wire
// time belongs to the pseudo-terminal, the emulator and the scheduler; what
// the window takes beyond the bare client is the program's own.

#include "tools/bench/timed_link.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <optional>
#include <vector>

namespace quarn::bench {

struct Exchange {
  QByteArray command;
  int reply_bytes = 0;  // that arrived before the next command
};

// The exchanges among events [from, to), from the first command on.
std::vector<Exchange> exchanges_of(const std::vector<TimedLink::Event>& events, std::size_t from, std::size_t to);

class BareClient {
 public:
  // Opens the device raw, as the serial layer does.
  explicit BareClient(const QByteArray& device);
  ~BareClient();
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  // Waits for the device's ready letter: it announces itself to a new client.
  bool awaitReady();
  // Nanoseconds from the first command's write to the arrival of the last
  // reply byte; nothing when a reply is short, or when a byte comes that no
  // exchange expects.
  std::optional<qint64> replay(const std::vector<Exchange>& exchanges, const QElapsedTimer& clock);

 private:
  // Reads `count` bytes, each within the time-out; the arrival time of the last.
  std::optional<qint64> take(int count, const QElapsedTimer& clock);

  int fd_ = -1;
};

}  // namespace quarn::bench
