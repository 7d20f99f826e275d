#pragma once
// Turning the main window's fields into the cells of a programming run. Pure:
// the window gathers the texts and choices, the link writes the result.

#include "config/field_values.h"
#include "config/parameter_block.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarn {

struct ProgrammingRun {
  // The frequency lies outside both transmit ranges: warn, then go on.
  bool outside_transmit_ranges = false;
  // Set when the run must end before anything is sent: the message to show.
  std::optional<std::string> refusal;
  // The image after encoding (valid only without a refusal), with
  // block_checksum set.
  ParameterBlock block;
  // Value byte for each address 0 to the generation's last address.
  std::vector<std::uint8_t> writes;
};

inline constexpr const char* message_outside_transmit_ranges = "Frequenza TX fuori range!";
inline constexpr const char* message_outside_band = "Frequenza Fuori Banda !";
inline constexpr const char* message_mono_code_range = "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)";

// Refusals of values that cannot become bytes, each naming the field by the
// caption of its group and the range that fits.
inline constexpr const char* message_frequency_range = "Errore Freq Tx Mhz Fuori Range";
inline constexpr const char* message_quarn_code_range = "Errore Codice Quarn Fuori Range (0 - 65535)";
// Mono code with low tones: the repeater code shares the high code byte.
inline constexpr const char* message_mono_repeater_range = "Errore Cod Rep Fuori Range (0 - 63)";
inline constexpr const char* message_alarm_input_range = "Errore N° Ing di All Fuori Range (1 - 8)";
inline constexpr const char* message_battery_input_range = "Errore Batteria Scarica Su Ing N° Fuori Range (1 - 8)";
inline constexpr const char* message_tx_count_range = "Errore N° di Tx Tot Fuori Range (0 - 255)";
inline constexpr const char* message_panic_filter_range = "Errore Filtro P. All Fuori Range (0 - 255)";
inline constexpr const char* message_robbery_time_range = "Errore Timer per rapina Fuori Range (0 - 255)";
inline constexpr const char* message_antifall_time_range = "Errore Timer Antiatterramento Fuori Range (0 - 255)";
inline constexpr const char* message_repeater_code_range = "Errore Cod Rep Fuori Range (0 - 255)";
// A cell taken from the image as it stands (options, kept cells) is no byte.
inline constexpr const char* message_image_cell_range = "Errore Parametri Fuori Range (0 - 255)";

// Encodes the fields into a copy of `image` (whose cells 4, 5, 6, 36, 22, 23,
// device type and band are taken as they stand) in the order of a run:
// frequency, band check, packets, plain cells, generation constants, checksum.
// Values that cannot become bytes are refused with a message naming the field
// and the range that fits; the first refusal ends the encoding.
ProgrammingRun encode_block(const ParameterBlock& image, const FieldValues& fields);

}  // namespace quarn
