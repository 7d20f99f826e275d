#pragma once
// Which widget of the main window shows each setting: one row per setting of
// the table. Reading the fields, filling them, emptying them, their typing
// filters and the cells the option buttons store all loop over these rows.

#include "config/field_values.h"
#include "config/settings_table.h"
#include "ui/principale_controls.h"

#include <array>

class QRadioButton;

namespace quarn {

struct FieldBinding {
  SettingKey key;
  QLineEdit* PrincipaleControls::*box = nullptr;  // a typed text
  PickList* PrincipaleControls::*list = nullptr;  // a list, picked from or typed into
  // An option pair's buttons, by the value their setting's cell holds: 0, then 1.
  std::array<QRadioButton* PrincipaleControls::*, 2> buttons{};
};

// In the order a read fills the fields.
inline constexpr FieldBinding field_bindings[] = {
    {.key = SettingKey::Code, .box = &PrincipaleControls::CodiceQuarn},
    {.key = SettingKey::Frequency, .box = &PrincipaleControls::FqTx},
    {.key = SettingKey::AlarmInput, .list = &PrincipaleControls::Cmb_n_ing_all},
    {.key = SettingKey::BatteryInput, .list = &PrincipaleControls::Cmb_N_ing_bat},
    {.key = SettingKey::Tones, .buttons = {&PrincipaleControls::Opt_toni_alti, &PrincipaleControls::Opt_toni_bassi}},
    {.key = SettingKey::TxMode, .buttons = {&PrincipaleControls::Opt_tx_sing, &PrincipaleControls::Opt_tx_mult}},
    {.key = SettingKey::RobberyTime, .box = &PrincipaleControls::txb_tmp_rap},
    {.key = SettingKey::AntifallTime, .box = &PrincipaleControls::txb_amp},
    {.key = SettingKey::TxCount, .list = &PrincipaleControls::Cmb_n_tx_tot},
    {.key = SettingKey::BatteryAlarm, .buttons = {&PrincipaleControls::Opt_bat_no, &PrincipaleControls::Opt_bat_si}},
    {.key = SettingKey::PanicFilter, .list = &PrincipaleControls::Cmb_tmr_p_all},
    {.key = SettingKey::RepeaterCode, .list = &PrincipaleControls::cmb_Monorep},
    {.key = SettingKey::CodeMode, .buttons = {&PrincipaleControls::opt_quarn, &PrincipaleControls::Opt_mono}},
};

// The settings as the fields hold them: texts as typed, options as chosen.
FieldValues read_fields(const PrincipaleControls& controls);

// Shows a setting's value as the technician would give it: the text typed
// into its field (its filter runs) or its option picked (the button stores
// its cell).
void show_field(const PrincipaleControls& controls, const FieldBinding& binding, const FieldValues& values);

// Empties every text and list of a setting; the options stay as they are.
void empty_fields(const PrincipaleControls& controls);

}  // namespace quarn
