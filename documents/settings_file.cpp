#include "documents/settings_file.h"

#include "config/numeric_text.h"
#include "config/setting_text.h"
#include "documents/repeated_json_keys.h"
#include "link/file_saving.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace quarn {

namespace {

// The names that the file gives to the device, in the order of their C++
// values: index 0 stands for the first enumerator.
const QStringList generation_names{"new", "old"};
// The bands' words in the order of `bands`, then the one for a band cell
// that names neither.
const QStringList band_names = [] {
  QStringList names;
  for (const Band band : bands) names << band_file_word(band);
  return names << band_file_word(std::nullopt);
}();

QString latin1(std::string_view name) { return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())); }

QString name_of(const SettingDeclaration& setting) { return latin1(setting.name); }

// An option pair's words by the value its cell holds, 0 then 1.
QStringList option_words(const SettingDeclaration& option) {
  QStringList words;
  for (const OptionWord& choice : option.choices) {
    words << latin1(choice.word);
  }
  return words;
}

int band_index(const std::optional<Band>& band) {
  return int((band ? std::find(bands.begin(), bands.end(), *band) : bands.end()) - bands.begin());
}

// ---- Writing ----

// A JSON string literal for `text`, escaped by Qt's own writer.
QByteArray quoted(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);  // without the brackets
}

QByteArray quoted(const std::string& text) { return quoted(QString::fromStdString(text)); }

// Members of one object, written one a line with commas between them.
class ObjectWriter {
 public:
  ObjectWriter(QByteArray& out, int indent) : out_(out), indent_(indent) { out_ += "{\n"; }
  void add(const QByteArray& key, const QByteArray& value) {
    if (count_++ > 0) out_ += ",\n";
    out_ += QByteArray(indent_ + 2, ' ') + '"' + key + "\": " + value;
  }
  void close() { out_ += '\n' + QByteArray(indent_, ' ') + '}'; }

 private:
  QByteArray& out_;
  int indent_;
  int count_ = 0;
};

QByteArray cells_text(const std::optional<MemoryRead>& cells) {
  if (!cells) return "null";
  constexpr int per_line = 16;  // a line starts at a multiple of 16
  QByteArray out = "[";
  for (int address = 0; address < read_count; ++address) {
    out += address % per_line == 0 ? "\n    " : " ";
    out += QByteArray::number((*cells)[address]);
    if (address + 1 < read_count) out += ',';
  }
  return out + "\n  ]";
}

// ---- Reading ----

QString number_text(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// A member of an object, named by its dotted path from the top.
struct Member {
  QString path;
  QJsonValue value;
};

// The checks of one file. The first refusal is kept; every read after it
// gives a default and refuses nothing more, so the checks read straight on
// and the file is refused for its first problem in the order of the checks.
class Checks {
 public:
  bool refused() const { return refusal.has_value(); }
  void refuse(SettingsRefusal why) {
    if (!refusal) refusal = std::move(why);
  }

  std::optional<Member> member(const QJsonObject& object, const QString& parent, const QString& key) {
    if (refused()) return std::nullopt;
    const QString path = parent.isEmpty() ? key : parent + '.' + key;
    if (!object.contains(key)) {
      refuse({.fault = SettingsFault::MissingKey, .key = path});
      return std::nullopt;
    }
    return Member{path, object.value(key)};
  }
  void mistyped(const Member& member, JsonWanted wanted) {
    refuse({.fault = SettingsFault::WrongType, .key = member.path, .found_type = member.value.type(), .wanted = wanted});
  }
  QString text(const std::optional<Member>& member) {
    if (!member) return {};
    if (!member->value.isString()) return mistyped(*member, JsonWanted::Text), QString();
    return member->value.toString();
  }
  // A text, or a JSON number taken as its decimal text: "code": 1234 is "1234".
  QString text_or_number(const std::optional<Member>& member) {
    if (!member) return {};
    if (member->value.isDouble()) return QString::fromStdString(decimal_text(member->value.toDouble()));
    if (!member->value.isString()) return mistyped(*member, JsonWanted::TextOrNumber), QString();
    return member->value.toString();
  }
  bool flag(const std::optional<Member>& member) {
    if (!member) return false;
    if (!member->value.isBool()) return mistyped(*member, JsonWanted::Flag), false;
    return member->value.toBool();
  }
  QJsonObject object(const std::optional<Member>& member) {
    if (!member) return {};
    if (!member->value.isObject()) return mistyped(*member, JsonWanted::Object), QJsonObject();
    return member->value.toObject();
  }
  double integer(const std::optional<Member>& member) {
    if (!member) return 0;
    if (!member->value.isDouble()) return mistyped(*member, JsonWanted::Integer), 0;
    const double number = member->value.toDouble();
    if (number != std::floor(number)) {
      refuse({.fault = SettingsFault::NotWhole, .key = member->path, .found = number_text(number)});
    }
    return number;
  }
  // The position of the text among the allowed names; 0 once refused.
  int choice(const std::optional<Member>& member, const QStringList& names) {
    const QString name = text(member);
    if (refused()) return 0;
    const int index = static_cast<int>(names.indexOf(name));
    if (index < 0) refuse({.fault = SettingsFault::UnknownWord, .key = member->path, .found = name, .allowed = names});
    return std::max(index, 0);
  }

  std::optional<SettingsRefusal> refusal;
};

QJsonObject top_object(Checks& checks, const QByteArray& bytes) {
  if (bytes.size() > settings_max_size) return checks.refuse({.fault = SettingsFault::TooLarge, .number = bytes.size()}), QJsonObject();
  // QJsonDocument would put U+FFFD in place of a bad sequence and go on.
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString decoded = utf8(bytes);
  if (utf8.hasError()) return checks.refuse({.fault = SettingsFault::NotUtf8}), QJsonObject();
  if (decoded.trimmed().isEmpty()) return checks.refuse({.fault = SettingsFault::Empty}), QJsonObject();

  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError) {
    checks.refuse({.fault = SettingsFault::NotJson, .number = error.offset, .json_error = error.error});
    return {};
  }
  if (!document.isObject()) return checks.refuse({.fault = SettingsFault::NotAnObject}), QJsonObject();
  if (const auto key = first_repeated_key(bytes)) {
    return checks.refuse({.fault = SettingsFault::RepeatedKey, .key = *key}), QJsonObject();
  }
  return document.object();
}

// The file's version, once it is one that the table reads.
int format_and_version(Checks& checks, const QJsonObject& root, const SettingsTable& table) {
  const QString format = checks.text(checks.member(root, {}, "format"));
  if (!checks.refused() && format != settings_format) {
    checks.refuse({.fault = SettingsFault::UnknownFormat, .found = format});
  }
  const double version = checks.integer(checks.member(root, {}, "version"));
  if (checks.refused()) return 0;
  if (version > table.version) {
    checks.refuse({.fault = SettingsFault::NewerVersion, .found = number_text(version), .number = table.version});
  }
  if (version < 1) checks.refuse({.fault = SettingsFault::NoSuchVersion, .found = number_text(version)});
  return checks.refused() ? 0 : static_cast<int>(version);
}

// A key the file's version does not hold is refused, never dropped: saving
// the file again would lose it without a word.
void refuse_unknown_keys(Checks& checks, const QJsonObject& object, const QString& parent, const QStringList& known,
                         int version) {
  for (auto member = object.begin(); member != object.end() && !checks.refused(); ++member) {
    if (known.contains(member.key())) continue;
    const QString path = parent.isEmpty() ? member.key() : parent + '.' + member.key();
    checks.refuse({.fault = SettingsFault::UnknownKey, .key = path, .number = version});
  }
}

void check_keys_of_version(Checks& checks, const QJsonObject& root, const SettingsTable& table, int version) {
  if (checks.refused()) return;
  QStringList top{"format", "version", "tool_version", "saved_at", "device", "settings", "cells", "read_out_of_step"};
  for (const OptionalTextKey& key : table.optional_texts) {
    if (key.first_version <= version) top << latin1(key.name);
  }
  QStringList settings;
  for (const SettingDeclaration& setting : table.settings) {
    if (setting.first_version <= version) settings << name_of(setting);
  }
  refuse_unknown_keys(checks, root, {}, top, version);
  refuse_unknown_keys(checks, root.value("device").toObject(), "device", {"generation", "band"}, version);
  refuse_unknown_keys(checks, root.value("settings").toObject(), "settings", settings, version);
}

QDateTime saved_at(Checks& checks, const QJsonObject& root) {
  const std::optional<Member> member = checks.member(root, {}, "saved_at");
  const QString text = checks.text(member);
  if (checks.refused()) return {};
  const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
  // Without "Z" or an offset the time would be read as local time. A time
  // whose UTC year has no ISO 8601 text (past 9999) could not be saved again.
  if (!time.isValid() || time.timeSpec() == Qt::LocalTime || time.toUTC().toString(Qt::ISODate).isEmpty()) {
    checks.refuse({.fault = SettingsFault::InvalidDate, .key = member->path, .found = text});
    return {};
  }
  // The file holds whole seconds, as to_json writes them; a fraction is
  // dropped so that the file loaded is the file that saving it writes.
  const QDateTime utc = time.toUTC();
  return utc.addMSecs(-utc.time().msec());
}

// Every setting of the file's version, by its key: texts read strictly,
// options by their words or, where the table says so, as a JSON bool.
FieldValues settings_of(Checks& checks, const QJsonObject& root, const SettingsTable& table, int version) {
  const QString parent = "settings";
  const QJsonObject object = checks.object(checks.member(root, {}, parent));
  FieldValues fields;
  for (const SettingDeclaration& setting : table.settings) {
    if (setting.first_version > version) continue;
    const std::optional<Member> member = checks.member(object, parent, name_of(setting));
    if (setting.kind != SettingKind::OptionPair) {
      const QString given = checks.text_or_number(member);
      if (checks.refused()) break;
      StrictText read = read_setting_text(setting, member->path, given);
      if (read.refusal) checks.refuse(std::move(*read.refusal));
      fields.*setting.text = read.text.value_or("");
    } else if (setting.file_flag) {
      fields.*setting.option = checks.flag(member);
    } else {
      fields.*setting.option = checks.choice(member, option_words(setting)) == setting.value_when_true;
    }
  }
  return fields;
}

std::optional<MemoryRead> cells_of(Checks& checks, const QJsonObject& root) {
  const std::optional<Member> member = checks.member(root, {}, "cells");
  if (!member || member->value.isNull()) return std::nullopt;
  if (!member->value.isArray()) return checks.mistyped(*member, JsonWanted::ListOrNull), std::nullopt;
  const QJsonArray array = member->value.toArray();
  if (array.size() != read_count) return checks.refuse({.fault = SettingsFault::CellCount, .number = array.size()}), std::nullopt;
  MemoryRead cells{};
  for (int address = 0; address < read_count; ++address) {
    const QJsonValue cell = array.at(address);
    const double value = cell.toDouble();
    if (!cell.isDouble()) {
      checks.refuse({.fault = SettingsFault::CellWrongType, .found_type = cell.type(), .number = address});
    } else if (value != std::floor(value)) {
      checks.refuse({.fault = SettingsFault::CellNotWhole, .found = number_text(value), .number = address});
    } else if (value < 0 || value > 255) {
      checks.refuse({.fault = SettingsFault::CellNotByte, .found = number_text(value), .number = address});
    }
    if (checks.refused()) return std::nullopt;
    cells[address] = static_cast<std::uint8_t>(value);
  }
  return cells;
}

// With cells present, the device keys must tell what cells 60 and 62 tell;
// a mismatch means the file was edited by hand and cannot be trusted.
void check_device_against_cells(Checks& checks, const SettingsFile& file) {
  if (!file.cells || checks.refused()) return;
  const std::uint8_t type = (*file.cells)[cell::device_type];
  if (generation_of(type) != file.generation) {
    checks.refuse({.fault = SettingsFault::DeviceAgainstCell,
                   .key = "device.generation",
                   .found = generation_names[file.generation == Generation::New ? 0 : 1],
                   .number = cell::device_type,
                   .cell_value = type});
  }
  const std::uint8_t band = (*file.cells)[cell::band];
  if (band_of_byte(band) != file.band) {
    checks.refuse({.fault = SettingsFault::DeviceAgainstCell,
                   .key = "device.band",
                   .found = band_names[band_index(file.band)],
                   .number = cell::band,
                   .cell_value = band});
  }
}

// The settings that a file of `version` does not hold, as its cells hold
// them, else as the factory set of its band (UHF's when the band is unknown)
// has them. Returns their keys.
QStringList fill_later_settings(SettingsFile& file, const SettingsTable& table, int version) {
  QStringList filled;
  const std::optional<DecodedBlock> decoded = file.cells ? std::optional(decode_block(*file.cells)) : std::nullopt;
  const FieldValues factory = factory_settings(file.band.value_or(Band::Uhf));
  for (const SettingDeclaration& setting : table.settings) {
    if (setting.first_version <= version) continue;
    const bool from_cells = decoded && decoded->update(setting.key) == FieldUpdate::Show;
    const FieldValues& source = from_cells ? decoded->values : factory;
    if (setting.kind == SettingKind::OptionPair) {
      file.settings.*setting.option = source.*setting.option;
    } else {
      file.settings.*setting.text = source.*setting.text;
    }
    filled << "settings." + name_of(setting);
  }
  return filled;
}

QMap<QString, QString> optional_texts_of(Checks& checks, const QJsonObject& root, const SettingsTable& table,
                                         int version) {
  QMap<QString, QString> texts;
  for (const OptionalTextKey& key : table.optional_texts) {
    const QString name = latin1(key.name);
    if (key.first_version > version || !root.contains(name)) continue;
    texts.insert(name, checks.text(checks.member(root, {}, name)));
  }
  return texts;
}

SettingsLoad checked_file(const QByteArray& bytes, const SettingsTable& table) {
  Checks checks;
  const QJsonObject root = top_object(checks, bytes);
  const int version = format_and_version(checks, root, table);
  check_keys_of_version(checks, root, table, version);

  SettingsFile file;
  file.tool_version = checks.text(checks.member(root, {}, "tool_version"));
  file.saved_at = saved_at(checks, root);

  const QJsonObject device = checks.object(checks.member(root, {}, "device"));
  file.generation = checks.choice(checks.member(device, "device", "generation"), generation_names) == 0
                        ? Generation::New
                        : Generation::Old;
  const int band = checks.choice(checks.member(device, "device", "band"), band_names);
  if (band < int(bands.size())) file.band = bands[std::size_t(band)];

  file.settings = settings_of(checks, root, table, version);
  file.cells = cells_of(checks, root);
  if (root.contains("read_out_of_step")) file.read_out_of_step = checks.flag(checks.member(root, {}, "read_out_of_step"));
  file.optional_texts = optional_texts_of(checks, root, table, version);
  check_device_against_cells(checks, file);
  if (checks.refusal) return {.refusal = checks.refusal};
  QStringList filled = fill_later_settings(file, table, version);
  return {.file = std::move(file), .filled_in = std::move(filled)};
}

}  // namespace

QByteArray to_json(const SettingsFile& file, const SettingsTable& table) {
  const QString tool = file.tool_version.isEmpty() ? QCoreApplication::applicationVersion() : file.tool_version;
  const QDateTime when = file.saved_at.isValid() ? file.saved_at : QDateTime::currentDateTimeUtc();
  const FieldValues& fields = file.settings;

  QByteArray out;
  ObjectWriter top(out, 0);
  top.add("format", quoted(QString(settings_format)));
  top.add("version", QByteArray::number(table.version));
  top.add("tool_version", quoted(tool));
  top.add("saved_at", quoted(when.toUTC().toString(Qt::ISODate)));

  QByteArray device;
  ObjectWriter device_writer(device, 2);
  device_writer.add("generation", quoted(generation_names[file.generation == Generation::New ? 0 : 1]));
  device_writer.add("band", quoted(band_names[band_index(file.band)]));
  device_writer.close();
  top.add("device", device);

  QByteArray settings;
  ObjectWriter settings_writer(settings, 2);
  for (const SettingDeclaration& setting : table.settings) {
    const QByteArray key = name_of(setting).toLatin1();
    if (setting.kind != SettingKind::OptionPair) {
      settings_writer.add(key, quoted(fields.*setting.text));
    } else if (setting.file_flag) {
      settings_writer.add(key, fields.*setting.option ? "true" : "false");
    } else {
      settings_writer.add(key, quoted(option_words(setting)[option_cell_value(setting, fields.*setting.option)]));
    }
  }
  settings_writer.close();
  top.add("settings", settings);

  top.add("cells", cells_text(file.cells));
  if (file.read_out_of_step) top.add("read_out_of_step", "true");
  for (const OptionalTextKey& key : table.optional_texts) {
    const QString name = latin1(key.name);
    if (file.optional_texts.contains(name)) top.add(name.toLatin1(), quoted(file.optional_texts.value(name)));
  }
  top.close();
  return out + '\n';
}

SettingsLoad load_settings(const QByteArray& bytes, const SettingsTable& table) { return checked_file(bytes, table); }

StrictText read_setting_text(const SettingDeclaration& setting, const QString& key, const QString& given) {
  const QByteArray utf8 = given.toUtf8();
  const CheckedText checked =
      check_setting_text(setting, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  if (checked.fault == TextFault::None) return {.text = checked.text};
  SettingsRefusal refusal{.fault = SettingsFault::NotANumber, .key = key, .found = given};
  if (checked.fault == TextFault::Character) {
    // The character as given: a comma stays a comma.
    const QString rest = QString::fromUtf8(utf8.mid(static_cast<qsizetype>(checked.offset)));
    refusal.refused = rest.left(rest.front().isHighSurrogate() ? 2 : 1);
  }
  return {.refusal = refusal};
}

SettingsLoad load_settings_file(const QString& path, const SettingsTable& table) {
  const auto unusable = [&path](FileFault fault, const QString& reason = {}) {
    return SettingsLoad{.refusal = SettingsRefusal{.fault = SettingsFault::Unreadable,
                                                   .file = {.fault = fault, .path = path, .reason = reason}}};
  };
  // Opening a pipe waits for a writer, and a device may never end: only a
  // regular file (or a link to one) is opened.
  if (const QFileInfo info(path); info.exists() && !info.isFile()) return unusable(FileFault::NotRegular);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return unusable(FileFault::NotOpened, file.errorString());
  // The size first, so that a huge file is refused without reading it; then
  // never more than one byte past the limit, for files whose size lies.
  if (file.size() > settings_max_size) {
    return {.refusal = SettingsRefusal{.fault = SettingsFault::TooLarge, .number = file.size()}};
  }
  const QByteArray bytes = file.read(settings_max_size + 1);
  if (file.error() != QFileDevice::NoError) return unusable(FileFault::NotRead, file.errorString());
  return load_settings(bytes, table);
}

std::optional<FileError> save_settings_file(const QString& path, const SettingsFile& file) {
  if (!may_save_at(path)) return FileError{.fault = FileFault::NotRegularTarget, .path = path};
  QSaveFile out(path);
  const auto not_saved = [&](const QString& reason) {
    return FileError{.fault = FileFault::NotSaved, .path = path, .reason = reason};
  };
  // Unbuffered: a write that fails (a full disk) fails here, with its
  // reason, before commit() could rename a cut file over the old one.
  // Leaving without commit() removes the temporary file.
  if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return not_saved(out.errorString());
  if (auto reason = write_whole(out, to_json(file))) return not_saved(*reason);
  if (!out.commit()) return not_saved(out.errorString());
  return std::nullopt;
}

QString band_file_word(const std::optional<Band>& band) {
  if (!band) return QStringLiteral("unknown");
  const std::string_view word = band_word(*band);
  return QString::fromLatin1(word.data(), qsizetype(word.size()));
}

SettingsFile settings_file_of_read(const MemoryRead& cells, bool out_of_step) {
  SettingsFile file;
  file.read_out_of_step = out_of_step;
  file.settings = decode_block(cells).values;
  file.cells = cells;
  file.generation = generation_of(cells[cell::device_type]);
  file.band = band_of_byte(cells[cell::band]);
  file.tool_version = QCoreApplication::applicationVersion();
  file.saved_at = QDateTime::currentDateTimeUtc();
  return file;
}

}  // namespace quarn
