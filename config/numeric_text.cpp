#include "config/numeric_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>

namespace quarn {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

// Value of a digit in the given radix (8 or 16), or -1.
int digit_value(char c, int radix) {
  int value = -1;
  if (is_decimal_digit(c)) {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < radix ? value : -1;
}

// A number read from the start of a text without blanks: its value, how many
// characters it took, and whether it had a digit at all.
struct Reading {
  double value = 0;
  std::size_t length = 0;
  bool has_digits = false;
};

Reading radix_integer(std::string_view text, int radix) {
  Reading reading{.length = 2};  // "&H" or "&O"
  for (const char c : text.substr(2)) {
    const int digit = digit_value(c, radix);
    if (digit < 0) break;
    reading.value = reading.value * radix + digit;
    ++reading.length;
    reading.has_digits = true;
  }
  return reading;
}

std::string_view take_digits(std::string_view text, std::size_t& position) {
  const std::size_t start = position;
  while (position < text.size() && is_decimal_digit(text[position])) ++position;
  return text.substr(start, position - start);
}

// Sign, digits, "." fraction and exponent, converted by from_chars, which does
// not consult the locale.
Reading decimal_number(std::string_view text) {
  std::size_t position = 0;
  bool negative = false;
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
    negative = text[position++] == '-';
  }
  const std::string_view whole = take_digits(text, position);
  std::string_view fraction;
  if (position < text.size() && text[position] == '.') fraction = take_digits(text, ++position);
  if (whole.empty() && fraction.empty()) return {};

  // An exponent letter without digits is not part of the number. The
  // exponent saturates: past 100000 any nonzero mantissa is out of range.
  long exponent = 0;
  if (position < text.size() && std::string_view("eEdD").find(text[position]) != std::string_view::npos) {
    std::size_t after = position + 1;
    const bool exponent_negative = after < text.size() && text[after] == '-';
    if (after < text.size() && (text[after] == '+' || text[after] == '-')) ++after;
    const std::string_view digits = take_digits(text, after);
    for (const char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 100000L);
    if (exponent_negative) exponent = -exponent;
    if (!digits.empty()) position = after;
  }

  std::string number(whole.empty() ? "0" : whole);
  number.append(".").append(fraction).append("0e").append(std::to_string(exponent));
  double value = 0;
  if (std::from_chars(number.data(), number.data() + number.size(), value).ec == std::errc::result_out_of_range) {
    // Decimal position of the leading nonzero digit decides between overflow and underflow.
    const std::size_t leading_zeros = std::min(whole.find_first_not_of('0'), whole.size());
    const long magnitude = leading_zeros < whole.size()
                               ? static_cast<long>(whole.size() - leading_zeros)
                               : -static_cast<long>(std::min(fraction.find_first_not_of('0'), fraction.size()));
    value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return {.value = negative ? -value : value, .length = position, .has_digits = true};
}

Reading leading_number(std::string_view text) {
  if (text.size() >= 2 && text[0] == '&') {
    if (text[1] == 'H' || text[1] == 'h') return radix_integer(text, 16);
    if (text[1] == 'O' || text[1] == 'o') return radix_integer(text, 8);
  }
  return decimal_number(text);
}

}  // namespace

double numeric_value(std::string_view text) {
  std::string compact;
  std::copy_if(text.begin(), text.end(), std::back_inserter(compact), [](char c) { return !is_blank(c); });
  return leading_number(compact).value;
}

bool is_one_number(std::string_view text) {
  if (std::ranges::any_of(text, is_blank)) return false;
  const Reading reading = leading_number(text);
  return reading.has_digits && reading.length == text.size();
}

double round_half_even(double number) {
  if (!std::isfinite(number)) return number;
  const double below = std::floor(number);
  const double excess = number - below;
  if (excess < 0.5) return below;
  if (excess > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::uint8_t> byte_value(double number) {
  const double rounded = round_half_even(number);
  if (!(rounded >= 0 && rounded <= 255)) return std::nullopt;
  return static_cast<std::uint8_t>(rounded);
}

std::string decimal_text(double number) {
  char buffer[32];
  if (!std::isfinite(number)) return {buffer, std::to_chars(buffer, buffer + sizeof buffer, number).ptr};

  // Fifteen significant digits as "d.dddddddddddddde±x", then laid out plainly.
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific, 14).ptr;
  std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
  const bool negative = scientific.front() == '-';
  if (negative) scientific.remove_prefix(1);
  const std::size_t e = scientific.find('e');
  std::string digits = std::string(scientific.substr(0, 1)).append(scientific.substr(2, e - 2));
  digits.erase(digits.find_last_not_of('0') + 1);
  if (digits.empty()) return "0";

  std::string_view exponent_text = scientific.substr(e + 1);
  if (exponent_text.front() == '+') exponent_text.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);

  const long point = exponent + 1L;  // digits before the decimal point
  const long count = static_cast<long>(digits.size());
  std::string text;
  if (point <= 0) {
    text = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (point >= count) {
    text = digits + std::string(static_cast<std::size_t>(point - count), '0');
  } else {
    text = digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
  }
  return negative ? "-" + text : text;
}

}  // namespace quarn
