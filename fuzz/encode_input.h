#pragma once
// The input of the encode_block target, read as encode_block.cpp describes
// it: the field texts, the letters for the rest of the window, the memory
// before the run and the image the window keeps of it. The stored-files test
// (tests/documents/test_stored_files.cpp) reads the seeds the same way.

#include "config/block_decoding.h"
#include "config/factory_defaults.h"
#include "config/settings_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

struct EncodeInput {
  quarn::FieldValues fields;
  std::string letters;
  bool is_new = true;
  std::uint8_t band = 0;
  quarn::MemoryRead memory{};   // as before the run, the options' cells as the image holds them
  quarn::ParameterBlock image;  // with X, cell 22 holds 300.5, which the memory cannot

  bool has(char letter) const { return letters.find(letter) != std::string::npos; }
};

inline EncodeInput encode_input(std::string_view input) {
  std::array<std::string, 10> lines;
  for (std::string& line : lines) {
    const std::size_t end = std::min(input.find('\n'), input.size());
    line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
  }
  EncodeInput in;
  in.fields = {lines[0], lines[1], lines[2], lines[3], lines[4], lines[5], lines[6], lines[7], lines[8]};
  in.letters = lines[9];
  in.fields.quarn_mode = !in.has('M');
  in.fields.low_tones = in.has('L');
  in.fields.battery_alarm = !in.has('N');
  in.fields.multiple_tx = !in.has('S');
  in.is_new = !in.has('O');
  in.band = in.has('U') ? quarn::band_uhf : in.has('V') ? quarn::band_vhf : 0;

  const quarn::MemoryImage factory = quarn::factory_default_cells(quarn::Band::Uhf, quarn::Generation::New);
  std::copy_n(factory.begin(), quarn::block_size, in.memory.begin());
  std::copy_n(input.begin(), std::min<std::size_t>(input.size(), quarn::block_size), in.memory.begin());
  in.memory[quarn::cell::device_type] = in.is_new ? quarn::device_type_new : 0;
  in.memory[quarn::cell::band] = in.band;
  std::copy_n(in.memory.begin(), quarn::block_size, in.image.cells.begin());
  in.image.device_type = in.memory[quarn::cell::device_type];
  in.image.band = in.band;
  if (in.has('R')) {
    in.image.cells[quarn::cell::code_mode] = in.fields.quarn_mode ? 0 : 1;
  } else {
    quarn::apply_options(in.image, in.fields);
  }
  for (int address = 0; address < quarn::block_size; ++address) {
    in.memory[address] = static_cast<std::uint8_t>(in.image.cells[address]);
  }
  if (in.has('X')) in.image.cells[quarn::cell::kept_22] = 300.5;
  return in;
}

}  // namespace fuzz
