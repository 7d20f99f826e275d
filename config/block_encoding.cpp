#include "config/block_encoding.h"

#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/packet.h"

#include <algorithm>
#include <cmath>

namespace quarn {

namespace {

Refusal out_of_range(SettingKey key, ValueRange range) {
  return {.reason = RefusalReason::OutOfRange, .setting = key, .range = range};
}

double number_of(const FieldValues& fields, const SettingDeclaration& setting) {
  return numeric_value(fields.*setting.text);
}

// The whole number a value stands for, rounded half to even, when it lies
// within the range.
std::optional<int> whole_number(double value, ValueRange range) {
  const double rounded = round_half_even(value);
  if (!range.contains(rounded)) return std::nullopt;
  return static_cast<int>(rounded);
}

void put_cell(ParameterBlock& block, int address, double value) { block.cells[address] = value; }

std::optional<Refusal> encode_frequency_cells(ParameterBlock& block, const FieldValues& fields,
                                              const SettingDeclaration& setting) {
  const double mhz = number_of(fields, setting);
  const std::optional<ValueRange> band = band_limits(block.band);
  if (band && !band->contains(mhz)) {
    return Refusal{.reason = RefusalReason::OutsideBand, .setting = setting.key, .range = *band};
  }
  if (!setting.limits.contains(static_cast<double>(channel_number(mhz)))) {
    return out_of_range(setting.key, setting.limits);
  }
  // Cells in the order of FrequencyCells: B div 256, B mod 256, 2 x A.
  const FrequencyCells cells = encode_frequency(mhz);
  put_cell(block, setting.cell(), static_cast<double>(cells.b_high));
  put_cell(block, setting.cell() + 1, static_cast<double>(cells.b_low));
  put_cell(block, setting.cell() + 2, static_cast<double>(cells.a_x2));
  return std::nullopt;
}

// What both packets carry besides the input, once checked.
struct PacketContents {
  CodeMode mode = CodeMode::Quarn;
  int code = 0;
  bool low_tones = false;
  int repeater_code = 0;
};

// The code as the packets carry it. The code is split into high = whole part
// of code / 256 and low = the rest before anything is rounded, and each part
// must then be a byte and the high one within the limits: "255.5" has a low
// part that rounds to 256 and is refused, never carried into the high byte.
// A Mono code is also bounded by its value, so "1023.4" is refused although it
// would round to 1023; a Quarn code only by its bytes, so "65535.4" passes.
std::optional<int> packet_code(double code, CodeMode mode, ValueRange limits) {
  if (mode == CodeMode::Mono && code > limits.high) return std::nullopt;
  const double high = std::trunc(code / 256);
  const auto low = byte_value(code - 256 * high);
  if (!low || !(high >= 0 && high <= limits.high / 256)) return std::nullopt;
  return 256 * static_cast<int>(high) + *low;
}

std::optional<Refusal> check_packet_code(const FieldValues& fields, const SettingDeclaration& setting,
                                         PacketContents& packet) {
  packet.mode = fields.quarn_mode ? CodeMode::Quarn : CodeMode::Mono;
  packet.low_tones = fields.low_tones;
  const ValueRange code_limits = packet.mode == CodeMode::Quarn ? setting.limits : mono_code_limits;
  const auto code = packet_code(number_of(fields, setting), packet.mode, code_limits);
  if (!code) return out_of_range(setting.key, code_limits);
  packet.code = *code;

  // With a Mono code and low tones the repeater code fills bits 2 to 7 of the
  // high code byte, above the code's two bits.
  if (packet.mode == CodeMode::Mono && packet.low_tones) {
    const SettingDeclaration& repeater = quarn::setting(SettingKey::RepeaterCode);
    const auto value = whole_number(number_of(fields, repeater), mono_repeater_limits);
    if (!value) return out_of_range(repeater.key, mono_repeater_limits);
    packet.repeater_code = *value;
  }
  return std::nullopt;
}

// An empty list text counts as input 0, which no packet can carry.
std::optional<Refusal> encode_packet(ParameterBlock& block, const FieldValues& fields,
                                     const SettingDeclaration& input_setting, const PacketContents& contents) {
  const auto input = whole_number(number_of(fields, input_setting), input_setting.limits);
  if (!input) return out_of_range(input_setting.key, input_setting.limits);
  const Packet packet = build_packet(contents.mode, contents.code, *input, contents.low_tones, contents.repeater_code);
  std::copy(packet.begin(), packet.end(), block.cells.begin() + input_setting.carrier_packet);
  return std::nullopt;
}

// The cell keeps the number as typed; only its rounded value must fit.
std::optional<Refusal> encode_plain_cell(ParameterBlock& block, const FieldValues& fields,
                                         const SettingDeclaration& setting) {
  const double value = number_of(fields, setting);
  if (!whole_number(value, setting.limits)) return out_of_range(setting.key, setting.limits);
  put_cell(block, setting.cell(), value);
  return std::nullopt;
}

// In SettingKey order: the code's packet contents come before the inputs
// that ride in it, and the first refusal is the one a run reports.
std::optional<Refusal> encode_settings(ParameterBlock& block, const FieldValues& fields) {
  PacketContents packet;
  for (std::size_t key = 0; key < setting_count; ++key) {
    const SettingDeclaration& setting = quarn::setting(static_cast<SettingKey>(key));
    std::optional<Refusal> refusal;
    switch (setting.kind) {
      case SettingKind::Frequency:
        refusal = encode_frequency_cells(block, fields, setting);
        break;
      case SettingKind::CodePacket:
        refusal = check_packet_code(fields, setting, packet);
        break;
      case SettingKind::Number:
      case SettingKind::ListValue:
        refusal = setting.carrier_packet >= 0 ? encode_packet(block, fields, setting, packet)
                                              : encode_plain_cell(block, fields, setting);
        break;
      case SettingKind::OptionPair:
        break;  // taken from the image as the option buttons left it
    }
    if (refusal) return refusal;
  }
  return std::nullopt;
}

void set_device_constants(ParameterBlock& block, Generation generation) {
  for (const DeviceConstant& constant : device_constants) put_cell(block, constant.cell, constant.value(generation));
}

// Every cell the settings set has been checked by now; what remains to fail
// are the cells taken from the image as they stand.
std::optional<Refusal> block_bytes(const ParameterBlock& block, BlockBytes& bytes) {
  for (int address = 0; address < block_size; ++address) {
    const auto byte = byte_value(block.cells[address]);
    if (!byte) {
      const SettingDeclaration* holder = setting_for_cell(address);
      return Refusal{.reason = RefusalReason::ImageCellNotByte,
                     .setting = holder ? std::optional(holder->key) : std::nullopt,
                     .range = byte_range,
                     .cell = address};
    }
    bytes[address] = *byte;
  }
  return std::nullopt;
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

}  // namespace

ProgrammingRun encode_block(const ParameterBlock& image, const FieldValues& fields) {
  ProgrammingRun run;
  run.block = image;
  run.outside_transmit_ranges = !within_transmit_range(number_of(fields, setting(SettingKey::Frequency)));

  const Generation generation = generation_of(image.device_type);
  run.refusal = encode_settings(run.block, fields);
  if (run.refusal) return run;
  set_device_constants(run.block, generation);

  BlockBytes bytes{};
  run.refusal = block_bytes(run.block, bytes);
  if (run.refusal) return run;
  const std::uint8_t checksum = compute_block_checksum(bytes);
  run.block.block_checksum = checksum;
  run.writes = write_values(bytes, checksum, constants_of(generation).last_programmed_address);
  return run;
}

}  // namespace quarn
