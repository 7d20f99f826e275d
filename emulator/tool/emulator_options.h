#pragma once
// The command line of quarn-emulator.

#include "config/factory_defaults.h"
#include "emulator/emulated_transmitter.h"
#include "emulator/transmitter_model.h"

#include <QCoreApplication>

namespace quarn {

struct EmulatorOptions {
  Band band = Band::Uhf;
  Generation generation = Generation::New;
  LineTiming timing;
  TransmitterFaults faults;
  QString link_path;  // empty: none
};

// Reads the application's arguments; prints help, or an error and exits.
EmulatorOptions parse_emulator_options(const QCoreApplication& app);

}  // namespace quarn
