#pragma once
// The command line of quarn-emulator.

#include "config/factory_defaults.h"
#include "emulator/emulated_transmitter.h"
#include "emulator/transmitter_model.h"

#include <QStringList>

#include <variant>

namespace quarn {

struct EmulatorOptions {
  Band band = Band::Uhf;
  Generation generation = Generation::New;
  LineTiming timing;
  TransmitterFaults faults;
  QString link_path;  // empty: none
};

// The program stops before emulating: its help asked for, or an option refused.
struct EmulatorOptionsStop {
  QString text;
  int status = 0;
  bool to_output = false;  // the help goes to standard output, errors to standard error
};

// Reads the program's arguments (the program's name first).
std::variant<EmulatorOptions, EmulatorOptionsStop> parse_emulator_options(const QStringList& arguments);

}  // namespace quarn
