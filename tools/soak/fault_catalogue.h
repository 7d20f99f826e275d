#pragma once
// The emulated transmitter's faults the soak switches on at random: one row
// per field of TransmitterFaults. A new fault is one more row in
// fault_catalogue.cpp.

#include "emulator/transmitter_model.h"

#include <QStringList>

#include <random>

namespace quarn::soak {

struct FaultKind {
  const char* name;
  bool at_address;  // the fault names a step: `address` below is used
  void (*switch_on)(TransmitterFaults& faults, int address);
};

// Every fault the soak knows.
const std::vector<FaultKind>& fault_kinds();

struct CycleFaults {
  TransmitterFaults faults;
  QStringList names;  // "no_ack_from=12", empty for a fault-free cycle
  bool none() const { return names.isEmpty(); }
};

// Four cycles in ten fault-free, the rest one fault, or two at times.
CycleFaults random_faults(std::mt19937& random);

}  // namespace quarn::soak
