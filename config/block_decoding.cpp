#include "config/block_decoding.h"

#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/packet.h"

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

// Mono inputs come from the mask: one that is not a single bit names no input.
std::optional<std::string> input_text(CodeMode mode, const Packet& packet) {
  const int input = decode_input(mode, packet);
  if (input == 0) return std::nullopt;
  return decimal_text(input);
}

std::optional<std::string> band_text(std::uint8_t band) {
  if (band == band_uhf) return "  UHF";
  if (band == band_vhf) return "  VHF";
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

  // Any code mode other than 0 decodes as Mono.
  const CodeMode mode = memory[cell::code_mode] == 0 ? CodeMode::Quarn : CodeMode::Mono;
  const Packet alarm = packet_at(memory, cell::alarm_packet);
  decoded.code = decimal_text(decode_code(mode, alarm));
  decoded.frequency = decimal_text(
      decode_frequency(memory[cell::freq_b_high], memory[cell::freq_b_low], memory[cell::freq_a_x2]));
  decoded.alarm_input = input_text(mode, alarm);
  decoded.battery_input = input_text(mode, packet_at(memory, cell::battery_packet));
  decoded.tones = option_choice(memory[cell::tones], OptionChoice::Beep);
  decoded.tx_mode = option_choice(memory[cell::tx_mode], OptionChoice::Beep);
  decoded.robbery_time = decimal_text(memory[cell::robbery_time]);
  decoded.antifall_time = decimal_text(memory[cell::antifall_time]);
  decoded.tx_count = decimal_text(memory[cell::tx_count]);
  decoded.battery_alarm = option_choice(memory[cell::battery_alarm], OptionChoice::LeaveUnchanged);
  decoded.panic_filter = decimal_text(memory[cell::panic_filter]);
  decoded.repeater_code = decimal_text(memory[cell::repeater_code]);
  decoded.code_mode = option_choice(memory[cell::code_mode], OptionChoice::Beep);
  decoded.band_text = band_text(memory[cell::band]);
  return decoded;
}

}  // namespace quarn
