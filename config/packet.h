#pragma once
// The nine-byte radio packet that carries the device code and an input number.

#include "config/cell_map.h"

#include <array>
#include <cstdint>

namespace quarn {

enum class CodeMode { Quarn, Mono };

using Packet = std::array<std::uint8_t, packet_size>;

// Preconditions, checked by the caller (see encode_block): input 1 to 8;
// code div 256 (plus 4 x repeater_code in Mono mode with low tones) at most 255.
Packet build_packet(CodeMode mode, int code, int input, bool low_tones, int repeater_code);

// Inverse rules used when a block is read.
int decode_code(CodeMode mode, const Packet& packet);
// Quarn: (option AND 7) + 1. Mono: position of the one bit set in the mask,
// 0 when the mask is not a single bit.
int decode_input(CodeMode mode, const Packet& packet);

}  // namespace quarn
