#include "config/block_decoding.h"

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

OptionChoice option_choice(std::uint8_t value, OptionChoice unknown) {
  if (value == 0) return OptionChoice::SelectForZero;
  if (value == 1) return OptionChoice::SelectForOne;
  return unknown;
}

std::optional<std::uint8_t> selected_value(OptionChoice choice) {
  if (choice == OptionChoice::SelectForZero) return 0;
  if (choice == OptionChoice::SelectForOne) return 1;
  return std::nullopt;
}

std::optional<std::string> band_text(std::uint8_t band) {
  if (band == band_uhf) return "  UHF";
  if (band == band_vhf) return "  VHF";
  return std::nullopt;
}

// Where a read puts each setting in a DecodedBlock (exactly one member is
// set), and what an option cell that holds neither 0 nor 1 asks for.
struct DecodedMember {
  SettingKey key;
  std::string DecodedBlock::*text = nullptr;
  std::optional<std::string> DecodedBlock::*text_if_known = nullptr;
  OptionChoice DecodedBlock::*choice = nullptr;
  OptionChoice unknown = OptionChoice::Beep;
};

constexpr DecodedMember decoded_members[] = {
    {.key = SettingKey::Frequency, .text = &DecodedBlock::frequency},
    {.key = SettingKey::Code, .text = &DecodedBlock::code},
    {.key = SettingKey::AlarmInput, .text_if_known = &DecodedBlock::alarm_input},
    {.key = SettingKey::BatteryInput, .text_if_known = &DecodedBlock::battery_input},
    {.key = SettingKey::TxCount, .text = &DecodedBlock::tx_count},
    {.key = SettingKey::PanicFilter, .text = &DecodedBlock::panic_filter},
    {.key = SettingKey::RobberyTime, .text = &DecodedBlock::robbery_time},
    {.key = SettingKey::AntifallTime, .text = &DecodedBlock::antifall_time},
    {.key = SettingKey::RepeaterCode, .text = &DecodedBlock::repeater_code},
    {.key = SettingKey::Tones, .choice = &DecodedBlock::tones},
    {.key = SettingKey::BatteryAlarm, .choice = &DecodedBlock::battery_alarm, .unknown = OptionChoice::LeaveUnchanged},
    {.key = SettingKey::TxMode, .choice = &DecodedBlock::tx_mode},
    {.key = SettingKey::CodeMode, .choice = &DecodedBlock::code_mode},
};

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
  for (const DecodedMember& member : decoded_members) {
    const SettingDeclaration& declaration = setting(member.key);
    if (member.choice) {
      decoded.*member.choice = option_choice(memory[declaration.cell()], member.unknown);
    } else if (member.text) {
      decoded.*member.text = setting_text(memory, mode, declaration).value_or("");
    } else {
      decoded.*member.text_if_known = setting_text(memory, mode, declaration);
    }
  }
  decoded.band_text = band_text(memory[cell::band]);
  return decoded;
}

FieldValues field_values_of(const DecodedBlock& decoded) {
  FieldValues values;
  for (const DecodedMember& member : decoded_members) {
    const SettingDeclaration& declaration = setting(member.key);
    if (member.text) {
      values.*declaration.text = decoded.*member.text;
    } else if (member.text_if_known) {
      if (const auto& text = decoded.*member.text_if_known) values.*declaration.text = *text;
    } else if (const auto value = selected_value(decoded.*member.choice)) {
      values.*declaration.option = *value == declaration.value_when_true;
    }
  }
  return values;
}

}  // namespace quarn
