#include "config/option_rules.h"

#include "config/numeric_text.h"

namespace quarn {

FieldValues with_option_rules(FieldValues fields, Generation generation) {
  if (generation == Generation::Old) fields.quarn_mode = true;
  if (!fields.quarn_mode && repeater_code_selects_low_tones(numeric_value(fields.repeater_code))) {
    fields.low_tones = true;
  }
  return fields;
}

}  // namespace quarn
