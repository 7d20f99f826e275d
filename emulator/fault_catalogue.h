#pragma once
// Every fault of the emulated transmitter, once: the option quarn-emulator
// takes for it, its help, and the field of TransmitterFaults it switches on.
// The emulator's command line, the soak and the fault matrix go through this
// table, so a new fault is one more row here (and a field in the struct).

#include "emulator/transmitter_model.h"

#include <optional>
#include <string_view>
#include <variant>
#include <vector>

namespace quarn {

struct EmulatorFault {
  const char* option;  // quarn-emulator's option, without its dashes
  const char* name;    // the field it sets, as logs name the fault
  const char* help;
  // A switch, or the step (cell address) the fault acts at.
  std::variant<bool TransmitterFaults::*, std::optional<int> TransmitterFaults::*> field;
  // False for a fault that only changes how others act (coming back after vanishing).
  bool acts_alone = true;

  bool takes_address() const { return std::holds_alternative<std::optional<int> TransmitterFaults::*>(field); }
  // Switches the fault on; `address` is used by a fault that takes one.
  void switch_on(TransmitterFaults& faults, int address) const;
};

// The name of the option's argument, for a fault that takes an address.
inline constexpr const char* fault_address_argument = "address";

// In the order quarn-emulator's help lists them.
const std::vector<EmulatorFault>& emulator_faults();

// The fault of that name (its field's); nullptr for none.
const EmulatorFault* emulator_fault_named(std::string_view name);

}  // namespace quarn
