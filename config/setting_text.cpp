#include "config/setting_text.h"

#include "config/numeric_text.h"

#include <algorithm>

namespace quarn {

CheckedText check_setting_text(const SettingDeclaration& setting, std::string_view given) {
  CheckedText result{.text = std::string(given)};
  // An empty text reads as 0. Where 0 lies outside the limits (the inputs),
  // encoding refuses it with the field's own message; a read whose packet
  // names no input leaves that text empty, and a backup of it must load.
  if (given.empty() && !setting.limits.contains(0)) return result;
  std::ranges::replace(result.text, ',', '.');
  // A byte of a character past ASCII is no digit and no point either.
  const auto refused = std::ranges::find_if(
      result.text, [&](char c) { return !accepts_typed(setting.typed, static_cast<unsigned char>(c)); });
  if (refused != result.text.end()) {
    result.fault = TextFault::Character;
    result.offset = static_cast<std::size_t>(refused - result.text.begin());
  } else if (!is_one_number(result.text)) {
    result.fault = TextFault::NotANumber;
  }
  return result;
}

}  // namespace quarn
