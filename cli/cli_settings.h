#pragma once
// The settings as the command line names, changes, prints and compares them:
// the stable keys of the settings file, the window's group captions as
// labels, and the image a programming run starts from.

#include "config/block_decoding.h"
#include "config/field_values.h"
#include "config/parameter_block.h"
#include "documents/settings_file.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quarn::cli {

// One setting: its key, the caption of its group in the window, and its
// value in the command line's words (options as quarn|mono, high|low,
// on|off, single|multiple).
struct SettingLine {
  QString key;
  QString caption;
  QString value;
};

// Every setting of `fields`, in the window's order.
std::vector<SettingLine> setting_lines(const FieldValues& fields);

struct OverrideProblem {
  QString message;
  // A text the setting's field does not accept: the settings are refused.
  // Otherwise the command line itself is wrong.
  bool text_refused = false;
};

// Applies each "KEY=VALUE" to `fields`, in order. A text is read as a file's
// (read_setting_text: a decimal comma is the point, blanks are kept and
// refused); an option takes its words. A malformed assignment, an unknown key,
// a bad option word or a key given twice stops at that assignment.
std::optional<OverrideProblem> apply_overrides(FieldValues& fields, const QStringList& assignments);

// The settings a read shows, as the window fills its fields from it.
FieldValues settings_of_read(const MemoryRead& cells);

// A settings file for cells just read from a device.
SettingsFile settings_file_of_read(const MemoryRead& cells);

// The image a programming run of `file` starts from: the file's cells as
// read (the factory set of its band and generation when it holds none),
// device type and band from those cells (no band when the file names none
// and holds no cells), then the options of `fields`.
ParameterBlock image_of_file(const SettingsFile& file, const FieldValues& fields);

// The table printed by `read`: caption, value, key; then device lines.
QString settings_table(const SettingsFile& file);

}  // namespace quarn::cli
