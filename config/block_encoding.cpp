#include "config/block_encoding.h"

#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/packet.h"

#include <algorithm>
#include <cmath>

namespace quarn {

namespace {

// The message that ends the run, or nullptr when a step succeeded.
using Refusal = const char*;

// The whole number a field text stands for, rounded half to even, when it lies
// within low to high.
std::optional<int> whole_number(const std::string& text, int low, int high) {
  const double rounded = round_half_even(numeric_value(text));
  if (!(rounded >= low && rounded <= high)) return std::nullopt;
  return static_cast<int>(rounded);
}

Refusal encode_frequency_cells(ParameterBlock& block, double mhz) {
  if (!within_band_limits(block.band, mhz)) return message_outside_band;
  const FrequencyCells cells = encode_frequency(mhz);
  for (const long long value : {cells.b_high, cells.b_low, cells.a_x2}) {
    if (value < 0 || value > 255) return message_frequency_range;
  }
  block.cells[cell::freq_b_high] = static_cast<double>(cells.b_high);
  block.cells[cell::freq_b_low] = static_cast<double>(cells.b_low);
  block.cells[cell::freq_a_x2] = static_cast<double>(cells.a_x2);
  return nullptr;
}

void put_packet(ParameterBlock& block, int first_cell, const Packet& packet) {
  std::copy(packet.begin(), packet.end(), block.cells.begin() + first_cell);
}

// The code as the packets carry it. The code is split into high = whole part
// of code / 256 and low = the rest before anything is rounded, and each part
// must then be a byte: "255.5" has a low part that rounds to 256 and is
// refused, never carried into the high byte. A Mono code is bounded by its
// value, so "1023.4" is refused although it would round to 1023.
std::optional<int> packet_code(double code, CodeMode mode) {
  const int high_limit = mode == CodeMode::Quarn ? 255 : 3;
  if (mode == CodeMode::Mono && code > 1023) return std::nullopt;
  const double high = std::trunc(code / 256);
  const auto low = byte_value(code - 256 * high);
  if (!low || !(high >= 0 && high <= high_limit)) return std::nullopt;
  return 256 * static_cast<int>(high) + *low;
}

Refusal encode_packets(ParameterBlock& block, const FieldValues& fields) {
  const CodeMode mode = fields.quarn_mode ? CodeMode::Quarn : CodeMode::Mono;
  const auto code = packet_code(numeric_value(fields.code), mode);
  if (!code) return mode == CodeMode::Quarn ? message_quarn_code_range : message_mono_code_range;

  // With a Mono code and low tones the repeater code fills bits 2 to 7 of the
  // high code byte, above the code's two bits.
  int repeater = 0;
  if (mode == CodeMode::Mono && fields.low_tones) {
    const auto value = whole_number(fields.repeater_code, 0, 63);
    if (!value) return message_mono_repeater_range;
    repeater = *value;
  }

  // An empty list text counts as input 0, which no packet can carry.
  const auto alarm_input = whole_number(fields.alarm_input, 1, 8);
  if (!alarm_input) return message_alarm_input_range;
  put_packet(block, cell::alarm_packet, build_packet(mode, *code, *alarm_input, fields.low_tones, repeater));
  const auto battery_input = whole_number(fields.battery_input, 1, 8);
  if (!battery_input) return message_battery_input_range;
  put_packet(block, cell::battery_packet, build_packet(mode, *code, *battery_input, fields.low_tones, repeater));
  return nullptr;
}

struct PlainField {
  int address;
  std::string FieldValues::*text;
  Refusal refusal;
};

// Cells that hold a field's number as it is, in the order a run takes them.
constexpr PlainField plain_fields[] = {
    {cell::tx_count, &FieldValues::tx_count, message_tx_count_range},
    {cell::panic_filter, &FieldValues::panic_filter, message_panic_filter_range},
    {cell::robbery_time, &FieldValues::robbery_time, message_robbery_time_range},
    {cell::antifall_time, &FieldValues::antifall_time, message_antifall_time_range},
    {cell::repeater_code, &FieldValues::repeater_code, message_repeater_code_range},
};

Refusal encode_plain_cells(ParameterBlock& block, const FieldValues& fields) {
  for (const PlainField& field : plain_fields) {
    const double value = numeric_value(fields.*field.text);
    if (!byte_value(value)) return field.refusal;
    block.cells[field.address] = value;
  }
  return nullptr;
}

void set_device_constants(ParameterBlock& block, Generation generation) {
  for (const DeviceConstant& constant : device_constants) block.cells[constant.cell] = constant.value(generation);
}

// Every cell the fields set has been checked by now; what remains to fail are
// the cells taken from the image as they stand.
std::optional<BlockBytes> block_bytes(const ParameterBlock& block) {
  BlockBytes bytes{};
  for (int address = 0; address < block_size; ++address) {
    const auto byte = byte_value(block.cells[address]);
    if (!byte) return std::nullopt;
    bytes[address] = *byte;
  }
  return bytes;
}

// Cells 0 to 36, the filler, the New type mark and the checksum, cut at the
// generation's last address.
std::vector<std::uint8_t> write_values(const BlockBytes& bytes, std::uint8_t checksum, int last_address) {
  std::vector<std::uint8_t> writes(bytes.begin(), bytes.end());
  writes.resize(cell::device_type, 0);
  writes.push_back(device_type_new);
  writes.push_back(checksum);
  writes.resize(static_cast<std::size_t>(last_address) + 1);
  return writes;
}

Refusal encode_fields(ParameterBlock& block, const FieldValues& fields, double mhz, Generation generation) {
  if (const Refusal refusal = encode_frequency_cells(block, mhz)) return refusal;
  if (const Refusal refusal = encode_packets(block, fields)) return refusal;
  if (const Refusal refusal = encode_plain_cells(block, fields)) return refusal;
  set_device_constants(block, generation);
  return nullptr;
}

}  // namespace

ProgrammingRun encode_block(const ParameterBlock& image, const FieldValues& fields) {
  ProgrammingRun run;
  run.block = image;
  const double mhz = numeric_value(fields.frequency);
  run.outside_transmit_ranges = !within_transmit_range(mhz);

  const Generation generation = generation_of(image.device_type);
  const GenerationConstants constants = constants_of(generation);
  if (const Refusal refusal = encode_fields(run.block, fields, mhz, generation)) {
    run.refusal = refusal;
    return run;
  }
  const std::optional<BlockBytes> bytes = block_bytes(run.block);
  if (!bytes) {
    run.refusal = message_image_cell_range;
    return run;
  }
  const std::uint8_t checksum = compute_block_checksum(*bytes);
  run.block.block_checksum = checksum;
  run.writes = write_values(*bytes, checksum, constants.last_programmed_address);
  return run;
}

}  // namespace quarn
