// numeric_value of any text: never crashes, never yields NaN, and a text of
// up to 15 decimal digits alone (exactly representable) is that integer.

#include "config/numeric_text.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

  // Blanks, tabs and line feeds count for nothing wherever they stand, and a
  // leading minus sign negates.
  if (size > 0 && size < 64) {
    std::string spaced;
    for (const char c : text) spaced.append(1, c).append(" \t");
    FUZZ_CHECK(quarn::numeric_value(spaced) == value);
    const char first = text.front();
    if (first != '+' && first != '-' && first != '&' && first != ' ' && first != '\t' && first != '\n' && first != '\r') {
      const double negated = quarn::numeric_value("-" + std::string(text));
      FUZZ_CHECK(negated == -value);
    }
  }
  return 0;
}
