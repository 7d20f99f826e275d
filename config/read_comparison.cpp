#include "config/read_comparison.h"

#include "config/numeric_text.h"

namespace quarn {

bool fields_match_read(const FieldValues& fields, const DecodedBlock& read) {
  for (const SettingDeclaration& setting : setting_declarations()) {
    if (read.update(setting.key) != FieldUpdate::Show) continue;
    if (setting.option) {
      if (fields.*setting.option != read.values.*setting.option) return false;
      continue;
    }
    const std::string& shown = fields.*setting.text;
    const std::string& was_read = read.values.*setting.text;
    if (shown != was_read && numeric_value(shown) != numeric_value(was_read)) return false;
  }
  return true;
}

}  // namespace quarn
