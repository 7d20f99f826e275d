#pragma once
// The transmitter's settings as the main window shows them: texts as typed and
// options as chosen. The input of a programming run, what a settings file
// holds, and what a read shows.

#include <string>

namespace quarn {

struct FieldValues {
  std::string code;           // CodiceQuarn
  std::string frequency;      // FqTx, MHz
  std::string robbery_time;   // txb_tmp_rap, seconds
  std::string antifall_time;  // txb_amp, seconds
  std::string tx_count;       // Cmb_n_tx_tot
  std::string alarm_input;    // Cmb_n_ing_all
  std::string battery_input;  // Cmb_N_ing_bat
  std::string panic_filter;   // Cmb_tmr_p_all
  std::string repeater_code;  // cmb_Monorep
  bool quarn_mode = true;     // opt_quarn selected (else Opt_mono)
  bool low_tones = false;     // Opt_toni_bassi selected (else Opt_toni_alti)
  bool battery_alarm = true;  // Opt_bat_si selected (else Opt_bat_no)
  bool multiple_tx = true;    // Opt_tx_mult selected (else Opt_tx_sing)

  bool operator==(const FieldValues&) const = default;
};

}  // namespace quarn
