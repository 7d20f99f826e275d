#pragma once
// The characters the window's typing filters accept in a text field. The
// window beeps at any other as it is typed; a settings file or the command
// line that gives one is refused (config/setting_text.h).

namespace quarn {

enum class TypedCharacters {
  Any,             // no filter: the lists
  Digits,          // "0" to "9"
  DigitsAndPoint,  // "0" to "9" and "."
};

// A plain comparison of character codes, as the filters make it.
constexpr bool accepts_typed(TypedCharacters rule, char32_t c) {
  const bool digit = c >= U'0' && c <= U'9';
  switch (rule) {
    case TypedCharacters::Any:
      return true;
    case TypedCharacters::Digits:
      return digit;
    case TypedCharacters::DigitsAndPoint:
      return digit || c == U'.';
  }
  return false;
}

}  // namespace quarn
