#pragma once
// A closed range of whole numbers: the values a setting accepts once encoded.

namespace quarn {

struct ValueRange {
  int low = 0;
  int high = 0;

  // False for a NaN, which lies in no range.
  bool contains(double value) const { return value >= low && value <= high; }

  bool operator==(const ValueRange&) const = default;
};

// What one cell can hold.
inline constexpr ValueRange byte_range{0, 255};

}  // namespace quarn
