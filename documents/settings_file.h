#pragma once
// The settings file: the window's settings, the device they belong to and the
// cells as read, kept as versioned, human-readable JSON (docs/settings-file.md
// describes every key). The settings are the table's (config/settings_table.h),
// by key, in its order. Loading checks the whole file before anything is
// handed back, so a bad file is refused with one typed reason and nothing of
// it reaches the window. The loader never encodes: settings that a
// programming run would refuse are the caller's to report, as for typed ones.

#include "config/block_decoding.h"
#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "config/field_values.h"
#include "config/settings_table.h"
#include "link/file_error.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonParseError>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarn {

inline constexpr const char* settings_format = "quarn-settings";
// The version written and the newest one read: settings_version, in
// config/settings_table.h with the version each key first appears in.
// Far above any real file (about 2 KB); keeps a wrong pick cheap to refuse.
inline constexpr qint64 settings_max_size = 1024 * 1024;

struct SettingsFile {
  FieldValues settings;              // texts as the window takes them, options as chosen
  std::optional<MemoryRead> cells;   // cells 0 to 62 as read; none before a read
  Generation generation = Generation::New;
  std::optional<Band> band;          // none when the band cell is neither U nor V
  QString tool_version;              // the program that wrote the file
  QDateTime saved_at;                // UTC, whole seconds in the file
  // The cells come from a read whose replies were out of step (a byte no
  // command asked for): they may be shifted and are kept only as evidence.
  bool read_out_of_step = false;
  // The table's optional texts that the file holds, by key ("site": "...").
  QMap<QString, QString> optional_texts{};

  bool operator==(const SettingsFile&) const = default;
};

// What a key should have held.
enum class JsonWanted { Text, TextOrNumber, Flag, Integer, Object, ListOrNull };

// Why a settings file, or one setting's text, was refused; the members each
// fault fills are named beside it. settings_refusal_text
// (documents/operator_texts.h) puts it into words.
enum class SettingsFault {
  Unreadable,         // file
  TooLarge,           // number: the size in bytes
  NotUtf8,
  Empty,
  NotJson,            // json_error, number: the byte where it was found
  NotAnObject,
  RepeatedKey,        // key
  UnknownFormat,      // found
  NewerVersion,       // found, number: the newest version this table reads
  NoSuchVersion,      // found: below the first
  MissingKey,         // key
  UnknownKey,         // key: one that the file's version does not hold, number: that version
  WrongType,          // key, wanted, found_type
  NotWhole,           // key, found
  UnknownWord,        // key, found, allowed
  InvalidDate,        // key, found
  NotANumber,         // key, found as given, refused: the first character the field refuses, if any
  CellCount,          // number: how many cells the file has
  CellWrongType,      // number: the cell, found_type
  CellNotWhole,       // number: the cell, found
  CellNotByte,        // number: the cell, found
  DeviceAgainstCell,  // key, found, number: the cell, cell_value
};

struct SettingsRefusal {
  SettingsFault fault = SettingsFault::Empty;
  QString key{};    // dotted path from the top: "settings.code"
  QString found{};  // the value as the file gives it
  QJsonValue::Type found_type = QJsonValue::Undefined;
  JsonWanted wanted = JsonWanted::Text;
  QStringList allowed{};
  QString refused{};
  qint64 number = 0;
  int cell_value = 0;
  QJsonParseError::ParseError json_error = QJsonParseError::NoError;
  FileError file{};

  bool operator==(const SettingsRefusal&) const = default;
};

// Exactly one of file and refusal is set.
struct SettingsLoad {
  std::optional<SettingsFile> file{};
  std::optional<SettingsRefusal> refusal{};
  // The settings a file of an earlier version does not hold, by dotted path
  // ("settings.x"), in the table's order: each took the value the file's
  // cells hold or, without cells, the value of the factory set of its band.
  QStringList filled_in{};
};

// The file's word for a band: "uhf", "vhf", or "unknown" for a band cell that
// names neither; backups are named with it too.
QString band_file_word(const std::optional<Band>& band);

// The settings file of a memory as read: the settings the window would show,
// the cells, the generation and band they name, this program's version, now.
SettingsFile settings_file_of_read(const MemoryRead& cells, bool out_of_step = false);

// The file's text, UTF-8, keys in a fixed order, cells 16 to a line. An empty
// tool_version is written as QCoreApplication::applicationVersion(), an
// invalid saved_at as the current time. Written as the table's version, with
// its settings and those of its optional texts that the file holds.
QByteArray to_json(const SettingsFile& file, const SettingsTable& table = settings_table());

// Accepts the bytes of a whole file or refuses them, naming the key and the
// problem. Reads every version from 1 to the table's: a key that the file's
// version does not hold is refused, and so is a key given twice in one
// object. Every key of the file's version is required but "read_out_of_step",
// which only a backup of a doubtful read carries, and the optional texts; a
// setting first held by a later version is filled in (SettingsLoad::filled_in).
// Each setting's text (or a JSON number, as its decimal text) is read by
// read_setting_text.
SettingsLoad load_settings(const QByteArray& bytes, const SettingsTable& table = settings_table());

// A setting's text from a file or the command line, read strictly
// (check_setting_text): the text to keep, a decimal comma read as ".", or
// the refusal that names `key` and the text as given.
struct StrictText {
  std::optional<std::string> text{};
  std::optional<SettingsRefusal> refusal{};  // set when there is no text
};
StrictText read_setting_text(const SettingDeclaration& setting, const QString& key, const QString& given);

// Reads a file from disk, refusing one that is not a regular file (a pipe, a
// device, a folder) before opening it and one larger than settings_max_size
// before reading it.
SettingsLoad load_settings_file(const QString& path, const SettingsTable& table = settings_table());

// Writes the file atomically: a temporary file in the same folder, renamed
// over `path` only once complete, so a failure leaves any old file as it was.
// A `path` that names a pipe, a device or a folder is refused untouched.
std::optional<FileError> save_settings_file(const QString& path, const SettingsFile& file);

}  // namespace quarn
