#pragma once
// Turning the main window's fields into the cells of a programming run. Pure:
// the window gathers the texts and choices, the link writes the result.

#include "config/field_values.h"
#include "config/parameter_block.h"
#include "config/settings_table.h"
#include "config/value_range.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarn {

enum class RefusalReason {
  OutsideBand,       // the frequency lies outside the limits of the band read
  OutOfRange,        // a setting's value cannot be encoded
  ImageCellNotByte,  // a cell taken from the image as it stands is no byte
};

// Why a run ends before anything is sent.
struct Refusal {
  RefusalReason reason;
  // The setting refused, or the one that holds the cell that is no byte;
  // nullopt for a kept cell.
  std::optional<SettingKey> setting;
  // What would have been accepted: MHz for OutsideBand, the value as encoded
  // otherwise (a channel count for the frequency, a byte for a cell).
  ValueRange range;
  int cell = -1;  // ImageCellNotByte: the first such cell

  bool operator==(const Refusal&) const = default;
};

struct ProgrammingRun {
  // The frequency lies outside both transmit ranges: warn, then go on.
  bool outside_transmit_ranges = false;
  // Set when the run must end before anything is sent.
  std::optional<Refusal> refusal;
  // The image after encoding (valid only without a refusal), with
  // block_checksum set.
  ParameterBlock block;
  // Value byte for each address 0 to the generation's last address.
  std::vector<std::uint8_t> writes;
};

// Encodes the settings into a copy of `image` (whose option cells, kept
// cells, device type and band are taken as they stand) in the order of a run:
// the settings in SettingKey order, then the device constants and the
// checksum. The first value that cannot be encoded ends the encoding: with a
// Mono code, a code above 1023 and, with low tones, a repeater code outside 0
// to 63 are refused too.
ProgrammingRun encode_block(const ParameterBlock& image, const FieldValues& fields);

}  // namespace quarn
