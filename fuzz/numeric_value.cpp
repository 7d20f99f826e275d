// numeric_value of any text: never crashes, never yields NaN; a text of up to
// 15 decimal digits alone (exactly representable) is that integer; "&H" and
// "&O" read the hexadecimal or octal digits that follow, up to the first that
// does not fit; a plain decimal text reads as the standard library reads it;
// blanks anywhere change nothing and a leading minus negates. is_one_number
// holds only for a text without blanks that has a digit, and never once a
// character that no number holds is appended.

#include "config/numeric_text.h"
#include "fuzz_check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = quarn::numeric_value(text);

  // Every text reads as a number: finite, or infinite past the double range.
  FUZZ_CHECK(!std::isnan(value));

  const bool digits_only = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits_only && size <= 15) {
    std::int64_t integer = 0;
    for (const char c : text) integer = integer * 10 + (c - '0');
    FUZZ_CHECK(value == static_cast<double>(integer));
  }

  // Radix integers without blanks, against the standard library's integer
  // reading, as far as a double holds every integer (13 hexadecimal or 17
  // octal digits).
  const bool no_blanks = text.find_first_of(" \t\n\r") == std::string_view::npos;
  if (no_blanks && size >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
    const bool hex = text[1] == 'H' || text[1] == 'h';
    const std::string_view digits = text.substr(2);
    std::int64_t integer = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), integer, hex ? 16 : 8);
    const std::size_t length = static_cast<std::size_t>(end - digits.data());
    if (error == std::errc() && length <= (hex ? 13u : 17u) && digits.substr(0, length).find_first_of("+-") == std::string_view::npos) {
      FUZZ_CHECK(value == static_cast<double>(integer));
    } else if (error == std::errc::invalid_argument) {
      FUZZ_CHECK(value == 0);
    }
  }

  // Sign, digits, point and "e" exponent without blanks: as std::from_chars
  // reads them, when the number lies within the double range.
  if (no_blanks && size > 0 && text.find_first_of("dD+&") == std::string_view::npos) {
    const std::size_t first = text[0] == '-' ? 1 : 0;
    if (first < size && (text[first] == '.' || (text[first] >= '0' && text[first] <= '9'))) {
      double expected = 0;
      if (std::from_chars(text.data(), text.data() + size, expected).ec == std::errc()) FUZZ_CHECK(value == expected);
    }
  }

  if (quarn::is_one_number(text)) {
    FUZZ_CHECK(no_blanks && text.find_first_of("0123456789abcdefABCDEF") != std::string_view::npos);
    FUZZ_CHECK(!quarn::is_one_number(std::string(text) + "#"));
  }

  // Blanks, tabs and line feeds count for nothing wherever they stand, and a
  // leading minus sign negates.
  if (size > 0 && size < 64) {
    std::string spaced;
    for (const char c : text) spaced.append(1, c).append(" \t\n\r");
    FUZZ_CHECK(quarn::numeric_value(spaced) == value);
    const char first = text.front();
    if (first != '+' && first != '-' && first != '&' && first != ' ' && first != '\t' && first != '\n' && first != '\r') {
      const double negated = quarn::numeric_value("-" + std::string(text));
      FUZZ_CHECK(negated == -value);
    }
  }
  return 0;
}
