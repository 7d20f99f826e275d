#pragma once
// Addresses of the transmitter's configuration memory and the constants that
// the two device generations store. No other file names a bare address.

#include <cstdint>

namespace quarn {

namespace cell {
inline constexpr int robbery_time = 0;
inline constexpr int antifall_time = 1;
inline constexpr int tx_count = 2;
inline constexpr int fixed_03 = 3;
inline constexpr int tones = 4;
inline constexpr int battery_alarm = 5;
inline constexpr int tx_mode = 6;
inline constexpr int fixed_07 = 7;
inline constexpr int fixed_08 = 8;
inline constexpr int fixed_09 = 9;
inline constexpr int freq_b_high = 10;
inline constexpr int freq_b_low = 11;
inline constexpr int freq_a_x2 = 12;
inline constexpr int alarm_packet = 13;    // first of nine cells, 13 to 21
inline constexpr int kept_22 = 22;
inline constexpr int kept_23 = 23;
inline constexpr int fixed_24 = 24;
inline constexpr int battery_packet = 25;  // first of nine cells, 25 to 33
inline constexpr int panic_filter = 34;
inline constexpr int repeater_code = 35;
inline constexpr int code_mode = 36;
inline constexpr int zero_fill = 37;       // first filler cell, 37 to 59
inline constexpr int device_type = 60;
inline constexpr int block_checksum = 61;
inline constexpr int band = 62;
inline constexpr int cell_63 = 63;
}  // namespace cell

inline constexpr int block_size = 37;    // data cells 0 to 36
inline constexpr int read_count = 63;    // a read fetches cells 0 to 62
inline constexpr int memory_size = 64;   // cells 0 to 63
inline constexpr int packet_size = 9;

// Byte positions inside a nine-byte packet.
namespace packet_byte {
inline constexpr int lead = 0;
inline constexpr int fixed = 1;
inline constexpr int code_high = 2;
inline constexpr int code_low = 3;
inline constexpr int mask = 4;
inline constexpr int option = 5;
inline constexpr int xor_check = 6;
inline constexpr int sum_check = 7;
inline constexpr int end = 8;
}  // namespace packet_byte

inline constexpr std::uint8_t device_type_new = 78;  // "N"
inline constexpr std::uint8_t band_uhf = 85;         // "U"
inline constexpr std::uint8_t band_vhf = 86;         // "V"
inline constexpr std::uint8_t cell_63_mark = 90;     // "Z", written by the factory defaults only

enum class Generation { New, Old };

// A cell that every programming run and factory set writes with a constant
// of the device's generation.
struct DeviceConstant {
  int cell;
  std::uint8_t new_value;
  std::uint8_t old_value;

  std::uint8_t value(Generation generation) const { return generation == Generation::New ? new_value : old_value; }
};

inline constexpr DeviceConstant device_constants[] = {
    {cell::fixed_03, 2, 2}, {cell::fixed_07, 5, 0}, {cell::fixed_08, 133, 136},
    {cell::fixed_09, 1, 1}, {cell::fixed_24, 3, 3},
};

// Cells that a programming run sends back exactly as the last read left them.
inline constexpr int kept_cells[] = {cell::kept_22, cell::kept_23};

struct GenerationConstants {
  std::uint8_t device_type;      // what the factory defaults store in cell 60
  int last_programmed_address;   // a programming run writes 0 to this address
};

// New: "N", up to 61. Old: 0, up to 33.
GenerationConstants constants_of(Generation generation);

// A device type byte of 78 marks a New device, anything else an Old one.
Generation generation_of(int device_type_byte);

// Whether a cell means something to a unit of this generation, so that a
// read-back must find it as written: the data cells the generation programs,
// its type mark, the band and, New only, the checksum. The filler (37 to 59)
// means nothing, nor do the cells an Old unit leaves unused (34 to 36, 61).
bool carries_meaning(int address, Generation generation);

}  // namespace quarn
