#include "emulator/fault_catalogue.h"

#include <algorithm>

namespace quarn {

void EmulatorFault::switch_on(TransmitterFaults& faults, int address) const {
  if (const auto* flag = std::get_if<bool TransmitterFaults::*>(&field)) {
    faults.*(*flag) = true;
  } else {
    faults.*std::get<std::optional<int> TransmitterFaults::*>(field) = address;
  }
}

const std::vector<EmulatorFault>& emulator_faults() {
  using F = TransmitterFaults;
  static const std::vector<EmulatorFault> faults{
      {"noise", "noise_before_ready", "Send 0x78 0x79 before every ready K.", &F::noise_before_ready},
      {"stray-before-ack", "stray_before_ack_at", "Send 0x78 before the K of a write to this address.",
       &F::stray_before_ack_at},
      {"double-ack", "double_ack_every_write", "Acknowledge every write with KK.", &F::double_ack_every_write},
      {"double-ack-at", "double_ack_at", "Acknowledge a write to this address with KK.", &F::double_ack_at},
      {"lowercase-ack", "lowercase_ack", "Acknowledge writes with k instead of K.", &F::lowercase_ack},
      {"no-ack-from", "no_ack_from", "Neither store nor acknowledge writes from this address on.", &F::no_ack_from},
      {"extra-after-read", "extra_after_read_at", "Send 0x78 after the value read from this address.",
       &F::extra_after_read_at},
      {"wrong-checksum", "wrong_checksum", "Store a block checksum that does not match.", &F::wrong_checksum},
      {"double-ready", "double_ready", "Announce readiness with KK instead of K.", &F::double_ready},
      {"store-other-at", "store_other_at", "Acknowledge a write to this address but store another value.",
       &F::store_other_at},
      {"silent", "silent", "Never get ready, answer nothing.", &F::silent},
      {"echo", "echo", "Return every byte the PC sends, ahead of the reply.", &F::echo},
      {"vanish-at-read", "vanish_at_read", "Go away (the pseudo-terminal closes) on reading this address.",
       &F::vanish_at_read},
      {"vanish-at-write", "vanish_at_write", "Go away (the pseudo-terminal closes) on writing this address.",
       &F::vanish_at_write},
      {"come-back", "return_after_vanish", "After going away, come back at once on a new pseudo-terminal.",
       &F::return_after_vanish, false},
      {"late-ack-at", "late_ack_at", "Store a write to this address but acknowledge it late.", &F::late_ack_at},
      {"hang-at-read", "hang_at_read", "Stop answering on reading this address, until the port closes.",
       &F::hang_at_read},
      {"flood-at-read", "flood_at_read", "Send a burst of junk ahead of the value read from this address.",
       &F::flood_at_read},
      {"flood-at-write", "flood_at_write", "Send a burst of junk ahead of the K of a write to this address.",
       &F::flood_at_write},
  };
  return faults;
}

const EmulatorFault* emulator_fault_named(std::string_view name) {
  const auto& faults = emulator_faults();
  const auto found = std::find_if(faults.begin(), faults.end(), [&](const EmulatorFault& f) { return f.name == name; });
  return found == faults.end() ? nullptr : &*found;
}

}  // namespace quarn
