#pragma once
// The transmitter of one cycle: the emulated device, line unpaced, with the
// cycle's faults, served on a pseudo-terminal of its own that "Com 1" leads
// to. A fresh one each cycle keeps its traffic log short, so that the figures
// the soak watches are the program's and not the log's.

#include "emulator/emulated_transmitter.h"
#include "emulator/pty_transmitter.h"
#include "link/transmitter_session.h"

#include <optional>

namespace quarn::soak {

class SoakDevice {
 public:
  SoakDevice(const MemoryImage& memory, const TransmitterFaults& faults);

  // Why the pseudo-terminal could not be served; nullopt when it is.
  const std::optional<QString>& error() const { return error_; }

  const TransmitterFaults& faults() const { return faults_; }
  const MemoryImage& memory() const { return transmitter_.model().memory(); }
  int testTransmissions() const { return transmitter_.model().testTransmissions(); }
  bool inSession() const { return transmitter_.model().inSession(); }
  // The device went away during the cycle: the port that knew it is lost.
  bool vanished() const { return vanished_; }
  // A fault of this cycle makes the device fall silent in the middle of an
  // operation, which then waits for the technician's way out.
  bool stalls() const { return faults_.hang_at_read.has_value(); }
  // It has: nothing will answer until the client leaves.
  bool hung() const { return transmitter_.model().stopped() && !vanished_; }
  // It never says it is ready.
  bool announces() const { return !faults_.silent; }
  // Each step the device leaves unanswered runs the session's Timer1 out at once.
  void timeOutUnansweredSteps(TransmitterSession& session);
  // It answers a test transmission at the end of the cycle.
  bool answersToTheEnd() const { return inSession() && !vanished_ && !stalls(); }

  // A place in the traffic, to look at one operation's bytes afterwards.
  std::size_t trafficMark() const { return transmitter_.traffic().size(); }
  QByteArray sentSince(std::size_t mark) const;
  QByteArray repliedSince(std::size_t mark) const;

 private:
  QByteArray bytesSince(std::size_t mark, TrafficEntry::Direction direction) const;

  TransmitterFaults faults_;
  EmulatedTransmitter transmitter_;
  PtyTransmitter pty_;
  std::optional<QString> error_;
  bool vanished_ = false;
};

}  // namespace quarn::soak
