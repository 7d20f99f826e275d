#pragma once
// What a read asks the window to show, one setting at a time: a text shown
// (none where the read leaves the field alone), and the cell value an option
// pair is set to, or that it is not set.

#include "config/block_decoding.h"

#include <optional>
#include <string>

namespace fuzz {

inline constexpr int option_beeps = -1;  // a cell neither 0 nor 1: one beep, selection unchanged
inline constexpr int option_kept = -2;   // unchanged without a beep

inline std::optional<std::string> shown_text(const quarn::DecodedBlock& decoded, quarn::SettingKey key) {
  if (decoded.update(key) != quarn::FieldUpdate::Show) return std::nullopt;
  return decoded.values.*quarn::setting(key).text;
}

// 0 or 1: the option's cell value the read selects; else option_beeps or option_kept.
inline int shown_option(const quarn::DecodedBlock& decoded, quarn::SettingKey key) {
  switch (decoded.update(key)) {
    case quarn::FieldUpdate::Beep: return option_beeps;
    case quarn::FieldUpdate::Keep: return option_kept;
    case quarn::FieldUpdate::Show: break;
  }
  const quarn::SettingDeclaration& option = quarn::setting(key);
  return decoded.values.*option.option ? option.value_when_true : 1 - option.value_when_true;
}

}  // namespace fuzz
