#pragma once
// Numbers as the technician types them and as the window shows them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The number a text begins with. Blanks, tabs and line feeds are skipped
// wherever they stand (" 1 2" is 12); then an optional sign, digits with an
// optional "." fraction and an optional exponent ("e" or "d", optional sign);
// or "&H"/"&O" followed by a hexadecimal or octal integer. Reading stops at the
// first character that does not fit; a text with no number at its start is 0.
// The separator is always ".", whatever the locale.
double numeric_value(std::string_view text);

// True when numeric_value reads the whole text as one number with at least
// one digit, and the text holds no blank: "433.92", ".5", "&H1F" and "1e3"
// are one number; "", " 30", "30s", "4..4" and "1e" are not.
bool is_one_number(std::string_view text);

// The byte a number becomes on the wire: rounded to the nearest integer, ties
// to the even one; nullopt when the result lies outside 0 to 255.
std::optional<std::uint8_t> byte_value(double number);

// Round half to even, to a whole number (still a double).
double round_half_even(double number);

// Plain decimal text: 15 significant digits, "." separator, no sign for
// positive values, no leading or trailing zeros, no point for whole numbers
// (460, 160.9125, 160.91875).
std::string decimal_text(double number);

}  // namespace quarn
