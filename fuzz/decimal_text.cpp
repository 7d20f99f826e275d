// decimal_text of any double: plain digits that numeric_value reads back as
// the number rounded to 15 significant digits. Infinities and NaN must not
// crash; what they become is checked as well (see docs/reliability.md).

#include "config/numeric_text.h"
#include "fuzz_check.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool plain_layout(const std::string& text) {
  std::size_t position = text.size() > 0 && text[0] == '-' ? 1 : 0;
  const std::size_t first_digit = position;
  bool point = false;
  for (; position < text.size(); ++position) {
    const char c = text[position];
    if (c == '.' && !point) {
      point = true;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  if (first_digit == text.size()) return false;
  // No leading zeros ("0" itself and "0.x" apart); no trailing zeros or point
  // after a fraction.
  if (text[first_digit] == '0' && text.size() > first_digit + 1 && text[first_digit + 1] != '.') return false;
  if (point && (text.back() == '0' || text.back() == '.')) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size != sizeof(double)) return -1;  // one double per input, as its bytes
  double number = 0;
  std::memcpy(&number, data, sizeof number);
  const std::string text = quarn::decimal_text(number);

  if (!std::isfinite(number)) {
    // Nothing a read decodes is infinite or NaN; the text is whatever the
    // standard library writes for them, and it does not read back.
    FUZZ_CHECK(text == "inf" || text == "-inf" || text == "nan" || text == "-nan");
    return 0;
  }

  FUZZ_CHECK(plain_layout(text));
  if (number == 0) FUZZ_CHECK(text == "0");

  // The reference: the shortest round trip through the standard library's
  // scientific notation with 15 significant digits. Past the largest double
  // that rounding overflows, and so does the plain text.
  char scientific[40];
  const char* end = std::to_chars(scientific, scientific + sizeof scientific, number, std::chars_format::scientific, 14).ptr;
  double expected = 0;
  if (std::from_chars(scientific, end, expected).ec == std::errc::result_out_of_range) {
    expected = std::copysign(std::numeric_limits<double>::infinity(), number);
  }
  const double read_back = quarn::numeric_value(text);
  FUZZ_CHECK(read_back == expected || (expected == 0 && read_back == 0));
  // Within half a unit of the 15th significant digit of the number.
  if (std::isfinite(expected) && std::fabs(number) >= std::numeric_limits<double>::min()) {
    FUZZ_CHECK(std::fabs(read_back - number) <= 5.2e-15 * std::fabs(number));
  }
  return 0;
}
