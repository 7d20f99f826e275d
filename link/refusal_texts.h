#pragma once
// The message box texts for what a programming run refuses or warns about.

#include "config/block_encoding.h"

#include <QString>

namespace quarn {

// The text that names the refused setting and the range that fits.
QString refusal_text(const Refusal& refusal);

// Shown when the frequency lies outside both transmit ranges; the run goes on.
QString transmit_range_warning_text();

}  // namespace quarn
