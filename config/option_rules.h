#pragma once
// What the window's options do on their own while a unit is connected: an Old
// unit always stays in Quarn mode, and a Mono code with a repeater code of 1
// to 63 selects low tones. Every front end programs what the window would.

#include "config/cell_map.h"
#include "config/field_values.h"

namespace quarn {

inline bool repeater_code_selects_low_tones(double repeater_value) {
  return repeater_value >= 1 && repeater_value <= 63;
}

// The settings as the window's options would leave them on a unit of this
// generation.
FieldValues with_option_rules(FieldValues fields, Generation generation);

}  // namespace quarn
