#include "config/packet.h"

#include <bit>

namespace quarn {

namespace {

constexpr std::uint8_t lead_value = 28;
constexpr std::uint8_t fixed_value = 7;
constexpr std::uint8_t end_value = 3;
constexpr int quarn_option_base = 192;
// Bits 3 to 6 always set; bit 2 set with low tones.
constexpr std::uint8_t mono_option_high_tones = 120;
constexpr std::uint8_t mono_option_low_tones = 124;

}  // namespace

Packet build_packet(CodeMode mode, int code, int input, bool low_tones, int repeater_code) {
  const bool mono = mode == CodeMode::Mono;
  int high = code / 256;
  const int low = code - 256 * high;
  if (mono && low_tones) high += 4 * repeater_code;

  Packet packet{};
  packet[packet_byte::lead] = lead_value;
  packet[packet_byte::fixed] = fixed_value;
  packet[packet_byte::code_high] = static_cast<std::uint8_t>(high);
  packet[packet_byte::code_low] = static_cast<std::uint8_t>(low);
  packet[packet_byte::mask] = static_cast<std::uint8_t>(mono ? 1 << (input - 1) : 1);
  packet[packet_byte::option] = mono ? (low_tones ? mono_option_low_tones : mono_option_high_tones)
                                     : static_cast<std::uint8_t>((input - 1) ^ quarn_option_base);

  int xor_check = 0;
  int sum = 0;
  for (int i = packet_byte::fixed; i <= packet_byte::option; ++i) {
    xor_check ^= packet[i];
    sum += packet[i];
  }
  packet[packet_byte::xor_check] = static_cast<std::uint8_t>(xor_check);
  packet[packet_byte::sum_check] = static_cast<std::uint8_t>((255 - (sum + xor_check)) & 255);
  packet[packet_byte::end] = end_value;
  return packet;
}

int decode_code(CodeMode mode, const Packet& packet) {
  // In Mono coding the bits above the two lowest of the high byte carry the
  // repeater code.
  const int high = packet[packet_byte::code_high];
  return 256 * (mode == CodeMode::Mono ? high & 3 : high) + packet[packet_byte::code_low];
}

int decode_input(CodeMode mode, const Packet& packet) {
  if (mode == CodeMode::Quarn) return (packet[packet_byte::option] & 7) + 1;
  const std::uint8_t mask = packet[packet_byte::mask];
  return std::has_single_bit(mask) ? std::countr_zero(mask) + 1 : 0;
}

}  // namespace quarn
