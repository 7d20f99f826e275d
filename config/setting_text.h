#pragma once
// A setting's text as a settings file or the command line gives it, read
// strictly: a text the window would let the technician type, and one number.
// The window itself keeps reading its fields by their numeric value.

#include "config/settings_table.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quarn {

enum class TextFault {
  None,
  Character,    // a character the window's filter of the field refuses
  NotANumber,   // the whole text is not one number (is_one_number)
};

struct CheckedText {
  std::string text;  // the text to keep: the given one, a decimal comma read as "."
  TextFault fault = TextFault::None;
  std::size_t offset = 0;  // Character: where the first refused character starts, in bytes
};

// A decimal comma is read as the point; then every character must be one that
// the setting's TypedCharacters accept, and the whole text one number. An
// empty text passes only where encoding refuses its value 0 anyway (the
// inputs, 1 to 8), so that it is never programmed as 0 unseen. Options have
// no text: an OptionPair is never given here.
CheckedText check_setting_text(const SettingDeclaration& setting, std::string_view given);

}  // namespace quarn
