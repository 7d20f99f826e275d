#pragma once
// An emulated transmitter (line unpaced) served on a pseudo-terminal, for the
// window tests that go through the real serial port class.

#include "emulator/pty_transmitter.h"
#include "tests/ui/principale_fixture.h"

#include <optional>

namespace quarn::test {

struct PtyDevice {
  explicit PtyDevice(Band band, const TransmitterFaults& faults = {})
      : transmitter(TransmitterModel(factory_default_cells(band, Generation::New), faults), PrincipaleFixture::unpaced()),
        pty(transmitter) {
    error = pty.open();
  }
  QByteArray sent() const { return traffic_bytes(transmitter.traffic(), TrafficEntry::Direction::ToTransmitter); }
  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> error;
};

}  // namespace quarn::test
