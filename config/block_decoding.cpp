#include "config/block_decoding.h"

#include "config/band.h"
#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/packet.h"
#include "config/settings_table.h"

#include <algorithm>

namespace quarn {

namespace {

Packet packet_at(const MemoryRead& memory, int first_cell) {
  Packet packet{};
  std::copy_n(memory.begin() + first_cell, packet_size, packet.begin());
  return packet;
}

std::optional<std::string> band_text(std::uint8_t band) {
  const std::optional<Band> known = band_of_byte(band);
  if (!known) return std::nullopt;
  return "  " + std::string(band_name(*known));
}

// The text a setting's cells stand for; nullopt where a Mono mask names no
// input, so that the window's text stays as it is.
std::optional<std::string> setting_text(const MemoryRead& memory, CodeMode mode, const SettingDeclaration& setting) {
  const int first = setting.cell();
  switch (setting.kind) {
    case SettingKind::Frequency:
      // Cells in the order of FrequencyCells: B div 256, B mod 256, 2 x A.
      return decimal_text(decode_frequency(memory[first], memory[first + 1], memory[first + 2]));
    case SettingKind::CodePacket:
      // Both packets carry the code; the alarm packet's is shown.
      return decimal_text(decode_code(mode, packet_at(memory, first)));
    case SettingKind::Number:
    case SettingKind::ListValue:
      if (setting.carrier_packet >= 0) {
        const int input = decode_input(mode, packet_at(memory, setting.carrier_packet));
        if (input == 0) return std::nullopt;
        return decimal_text(input);
      }
      return decimal_text(memory[first]);
    case SettingKind::OptionPair:
      break;
  }
  return std::nullopt;
}

// Puts what the setting's cells hold into `values`, where they say something.
FieldUpdate read_setting(const MemoryRead& memory, CodeMode mode, const SettingDeclaration& setting,
                         FieldValues& values) {
  if (setting.kind == SettingKind::OptionPair) {
    const std::uint8_t value = memory[setting.cell()];
    if (value > 1) return setting.quiet_when_unknown ? FieldUpdate::Keep : FieldUpdate::Beep;
    values.*setting.option = value == setting.value_when_true;
    return FieldUpdate::Show;
  }
  const std::optional<std::string> text = setting_text(memory, mode, setting);
  if (!text) return FieldUpdate::Keep;
  values.*setting.text = *text;
  return FieldUpdate::Show;
}

}  // namespace

DecodedBlock decode_block(const MemoryRead& memory) {
  DecodedBlock decoded;
  ParameterBlock& block = decoded.block;
  BlockBytes bytes{};
  std::copy_n(memory.begin(), block_size, bytes.begin());
  std::copy(bytes.begin(), bytes.end(), block.cells.begin());
  block.device_type = memory[cell::device_type];
  block.band = memory[cell::band];

  decoded.is_new = generation_of(block.device_type) == Generation::New;
  decoded.type_label = decoded.is_new ? "New" : "Old";
  if (decoded.is_new) {
    block.block_checksum = compute_block_checksum(bytes);
    decoded.checksum_mismatch = block.block_checksum != memory[cell::block_checksum];
  }

  // The value that stands for Quarn coding (0) decodes as Quarn, any other as Mono.
  const SettingDeclaration& code_mode = setting(SettingKey::CodeMode);
  const CodeMode mode = memory[code_mode.cell()] == code_mode.value_when_true ? CodeMode::Quarn : CodeMode::Mono;
  for (const SettingDeclaration& setting : setting_declarations()) {
    decoded.updates[static_cast<std::size_t>(setting.key)] = read_setting(memory, mode, setting, decoded.values);
  }
  decoded.band_text = band_text(memory[cell::band]);
  return decoded;
}

}  // namespace quarn
