#pragma once
// The settings as the command line names them, all from the settings table:
// the stable keys of the settings file, the window's captions as labels,
// option words such as quarn|mono, and the form of --set KEY=VALUE.

#include "cli/usage_error.h"
#include "config/field_values.h"
#include "config/settings_table.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quarn::cli {

// The keys --set takes, one per setting.
QStringList set_keys();

// The keys for the help, each option with its words and each value with its
// unit: "code_mode (quarn|mono)", "frequency (MHz)".
QString set_keys_text();

// One setting: its key, the caption of its group in the window, and its
// value in the command line's words.
struct SettingLine {
  QString key;
  QString caption;
  QString value;
};

// Every setting of `fields`.
std::vector<SettingLine> setting_lines(const FieldValues& fields);

// Each "KEY=VALUE" in order: a malformed assignment, an unknown key, a word
// that is no option's word or a key given twice is refused. A text setting's
// value is read when it is applied (file_settings.h).
std::optional<UsageError> check_assignments(const QStringList& assignments);

// A checked assignment's parts: its setting and its value as given.
struct Assignment {
  const SettingDeclaration* setting = nullptr;
  QString value;
};
Assignment assignment_of(const QString& checked);

// The choice an option word makes, in any case; none for another word.
std::optional<bool> option_of_word(const SettingDeclaration& option, const QString& word);

}  // namespace quarn::cli
