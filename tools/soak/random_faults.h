#pragma once
// The emulated transmitter's faults the soak switches on at random: every
// fault of the emulator's catalogue, and a device that vanishes on a write
// and comes back.

#include "emulator/transmitter_model.h"

#include <QStringList>

#include <random>

namespace quarn::soak {

struct CycleFaults {
  TransmitterFaults faults;
  QStringList names;  // "no_ack_from=12", empty for a fault-free cycle
  bool none() const { return names.isEmpty(); }
};

// Four cycles in ten fault-free, the rest one fault, or two at times.
CycleFaults random_faults(std::mt19937& random);

}  // namespace quarn::soak
