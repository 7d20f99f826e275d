#include "link/refusal_texts.h"

namespace quarn {

namespace {

// Any cell taken from the image as it stands; also the text for a refusal
// that a run never makes.
const QString parameters_text = "Errore Parametri Fuori Range (0 - 255)";

QString out_of_range_text(SettingKey setting, const ValueRange& range) {
  switch (setting) {
    case SettingKey::Frequency:
      return "Errore Freq Tx Mhz Fuori Range";
    case SettingKey::Code:
      // The Mono text gives 1 as its lower end, although a Mono code of 0 passes.
      return range == mono_code_limits ? "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)"
                                       : "Errore Codice Quarn Fuori Range (0 - 65535)";
    case SettingKey::RepeaterCode:
      return range == mono_repeater_limits ? "Errore Cod Rep Fuori Range (0 - 63)"
                                           : "Errore Cod Rep Fuori Range (0 - 255)";
    case SettingKey::AlarmInput:
      return "Errore N° Ing di All Fuori Range (1 - 8)";
    case SettingKey::BatteryInput:
      return "Errore Batteria Scarica Su Ing N° Fuori Range (1 - 8)";
    case SettingKey::TxCount:
      return "Errore N° di Tx Tot Fuori Range (0 - 255)";
    case SettingKey::PanicFilter:
      return "Errore Filtro P. All Fuori Range (0 - 255)";
    case SettingKey::RobberyTime:
      return "Errore Timer per rapina Fuori Range (0 - 255)";
    case SettingKey::AntifallTime:
      return "Errore Timer Antiatterramento Fuori Range (0 - 255)";
    case SettingKey::Tones:
    case SettingKey::BatteryAlarm:
    case SettingKey::TxMode:
    case SettingKey::CodeMode:
      break;
  }
  return parameters_text;
}

}  // namespace

QString refusal_text(const Refusal& refusal) {
  switch (refusal.reason) {
    case RefusalReason::OutsideBand:
      return "Frequenza Fuori Banda !";
    case RefusalReason::OutOfRange:
      if (refusal.setting) return out_of_range_text(*refusal.setting, refusal.range);
      break;
    case RefusalReason::ImageCellNotByte:
      break;
  }
  return parameters_text;
}

QString transmit_range_warning_text() { return "Frequenza TX fuori range!"; }

}  // namespace quarn
