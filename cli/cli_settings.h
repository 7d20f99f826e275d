#pragma once
// The settings as the command line names, changes, prints and compares them:
// the stable keys of the settings file, the window's group captions as
// labels, and the image a programming run starts from.

#include "config/block_decoding.h"
#include "config/field_values.h"
#include "config/parameter_block.h"
#include "link/settings_file.h"

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

// Applies "KEY=VALUE" to `fields`; returns the message for a bad key or
// option value. Text values are taken as typed: encoding judges them.
std::optional<QString> apply_override(FieldValues& fields, const QString& assignment);

// The settings a read shows, as the window fills its fields from it.
FieldValues settings_of_read(const MemoryRead& cells);

// A settings file for cells just read from a device.
SettingsFile settings_file_of_read(const MemoryRead& cells);

// The image a programming run of `file` starts from: the file's cells as
// read (the factory set of its band and generation when it holds none),
// device type and band from those cells, then the options of `fields`.
ParameterBlock image_of_file(const SettingsFile& file, const FieldValues& fields);

// The table printed by `read`: caption, value, key; then device lines.
QString settings_table(const SettingsFile& file);

}  // namespace quarn::cli
