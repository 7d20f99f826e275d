#pragma once
// What the help line says when an operation has ended: how a write run went
// and where its backup is, a read that changed nothing, a lost device.

#include "config/factory_defaults.h"
#include "link/transmitter_session.h"

#include <QString>

#include <optional>

namespace quarn {

// The end of a programming run (no band) or of a factory load (its band).
QString write_outcome_text(const WriteResult& result, std::optional<Band> factory_band);

// A read whose replies were out of step: nothing it returned was shown.
QString read_out_of_step_text();

// The device went away while nothing ran.
QString device_lost_text(const PortError& error);

// ESCI or the window's frame while a write run goes on.
QString quit_pending_text();

}  // namespace quarn
