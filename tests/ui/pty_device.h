#pragma once
// An emulated transmitter (line unpaced) served on a pseudo-terminal, for the
// window tests that go through the real serial port class, and the pick of a
// "Com" entry as the technician makes it.

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

inline void choose_port(const PrincipaleControls& c, int index) {
  c.Cmb_com->setCurrentIndex(index);
  emit c.Cmb_com->activated(index);
}

}  // namespace quarn::test
