#include "link/settings_file.h"

#include "config/numeric_text.h"
#include "config/setting_text.h"
#include "link/repeated_json_keys.h"

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

#include <array>
#include <cmath>
#include <utility>

namespace quarn {

namespace {

// The names that the file gives to the window's options and the device, in
// the order of their C++ values: index 0 stands for false (or the first
// enumerator), index 1 for true.
const QStringList generation_names{"new", "old"};
const QStringList band_names{"uhf", "vhf", "unknown"};
const QStringList code_mode_names{"quarn", "mono"};
const QStringList tone_names{"high", "low"};
const QStringList tx_mode_names{"single", "multiple"};

// The text fields in the order the file lists them.
struct TextKey {
  const char* key;
  std::string FieldValues::*member;
};
constexpr std::array<TextKey, 9> text_keys{{
    {"code", &FieldValues::code},
    {"frequency", &FieldValues::frequency},
    {"robbery_time", &FieldValues::robbery_time},
    {"antifall_time", &FieldValues::antifall_time},
    {"tx_count", &FieldValues::tx_count},
    {"alarm_input", &FieldValues::alarm_input},
    {"battery_input", &FieldValues::battery_input},
    {"panic_filter", &FieldValues::panic_filter},
    {"repeater_code", &FieldValues::repeater_code},
}};

int band_index(const std::optional<Band>& band) {
  if (!band) return 2;
  return *band == Band::Uhf ? 0 : 1;
}

std::optional<Band> band_of_cell(std::uint8_t value) {
  if (value == band_uhf) return Band::Uhf;
  if (value == band_vhf) return Band::Vhf;
  return std::nullopt;
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
  void add(const char* key, const QByteArray& value) {
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

// Ends the checks with the message to show; caught by load_settings only.
struct Refused {
  QString message;
};

[[noreturn]] void refuse(QString message) { throw Refused{std::move(message)}; }

QString number_text(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

QString type_name(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::Null: return "null";
    case QJsonValue::Bool: return "vero/falso";
    case QJsonValue::Double: return "numero";
    case QJsonValue::String: return "testo";
    case QJsonValue::Array: return "elenco";
    case QJsonValue::Object: return "oggetto";
    case QJsonValue::Undefined: break;
  }
  return "nulla";
}

QString parse_error_text(QJsonParseError::ParseError error) {
  switch (error) {
    case QJsonParseError::UnterminatedObject: return "oggetto non chiuso";
    case QJsonParseError::MissingNameSeparator: return "manca \":\" dopo una chiave";
    case QJsonParseError::UnterminatedArray: return "elenco non chiuso";
    case QJsonParseError::MissingValueSeparator: return "manca \",\" tra due valori";
    case QJsonParseError::IllegalValue: return "valore non ammesso";
    case QJsonParseError::TerminationByNumber: return "il file finisce dentro un numero";
    case QJsonParseError::IllegalNumber: return "numero non valido";
    case QJsonParseError::IllegalEscapeSequence: return "sequenza di escape non valida";
    case QJsonParseError::IllegalUTF8String: return "testo UTF-8 non valido";
    case QJsonParseError::UnterminatedString: return "testo non chiuso";
    case QJsonParseError::MissingObject: return "manca un oggetto";
    case QJsonParseError::DeepNesting: return "annidamento troppo profondo";
    case QJsonParseError::DocumentTooLarge: return "documento troppo grande";
    case QJsonParseError::GarbageAtEnd: return "caratteri dopo la fine del documento";
    case QJsonParseError::NoError: break;
  }
  return "errore sconosciuto";
}

QString too_large(qint64 size) {
  return QString("File troppo grande (%1 byte, massimo %2)")
      .arg(QString::number(size), QString::number(settings_max_size));
}

// A member of an object, named in messages by its dotted path.
class Member {
 public:
  Member(const QJsonObject& object, const QString& parent, const QString& key)
      : path_(parent.isEmpty() ? key : parent + '.' + key) {
    if (!object.contains(key)) refuse(QString("Chiave \"%1\" mancante").arg(path_));
    value_ = object.value(key);
  }

  const QString& path() const { return path_; }
  const QJsonValue& value() const { return value_; }

  [[noreturn]] void mistyped(const QString& wanted) const {
    refuse(QString("Chiave \"%1\": atteso %2, trovato %3").arg(path_, wanted, type_name(value_)));
  }
  QString text() const {
    if (!value_.isString()) mistyped("testo");
    return value_.toString();
  }
  // A text, or a JSON number taken as its decimal text: "code": 1234 is "1234".
  QString text_or_number() const {
    if (value_.isDouble()) return QString::fromStdString(decimal_text(value_.toDouble()));
    if (!value_.isString()) mistyped("testo o numero");
    return value_.toString();
  }
  bool flag() const {
    if (!value_.isBool()) mistyped("vero/falso");
    return value_.toBool();
  }
  QJsonObject object() const {
    if (!value_.isObject()) mistyped("oggetto");
    return value_.toObject();
  }
  double integer() const {
    if (!value_.isDouble()) mistyped("intero");
    const double number = value_.toDouble();
    if (number != std::floor(number)) {
      refuse(QString("Chiave \"%1\": atteso intero, trovato %2").arg(path_, number_text(number)));
    }
    return number;
  }
  // The position of the text among the allowed names.
  int choice(const QStringList& names) const {
    const QString name = text();
    const int index = static_cast<int>(names.indexOf(name));
    if (index < 0) {
      refuse(QString("Chiave \"%1\": valore sconosciuto \"%2\" (ammessi: %3)").arg(path_, name, names.join(", ")));
    }
    return index;
  }

 private:
  QString path_;
  QJsonValue value_;
};

QJsonObject top_object(const QByteArray& bytes) {
  if (bytes.size() > settings_max_size) refuse(too_large(bytes.size()));
  // QJsonDocument would put U+FFFD in place of a bad sequence and go on.
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString decoded = utf8(bytes);
  if (utf8.hasError()) refuse("Il file non è UTF-8 valido");
  if (decoded.trimmed().isEmpty()) refuse("Il file è vuoto");

  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError) {
    refuse(QString("Il file non è JSON valido: %1 (al byte %2)")
               .arg(parse_error_text(error.error), QString::number(error.offset)));
  }
  if (!document.isObject()) refuse("Il file non contiene un oggetto JSON");
  if (const auto key = first_repeated_key(bytes)) refuse(QString("Chiave \"%1\" presente più volte").arg(*key));
  return document.object();
}

void check_format_and_version(const QJsonObject& root) {
  const QString format = Member(root, {}, "format").text();
  if (format != settings_format) {
    refuse(QString("Formato sconosciuto: \"%1\" (atteso \"%2\")").arg(format, settings_format));
  }
  const double version = Member(root, {}, "version").integer();
  if (version > settings_version) {
    refuse(QString("Versione %1 più recente di quella supportata (%2)")
               .arg(number_text(version), QString::number(settings_version)));
  }
  if (version < 1) refuse(QString("Versione %1 non valida (la prima è 1)").arg(number_text(version)));
}

QDateTime saved_at(const QJsonObject& root) {
  const Member member(root, {}, "saved_at");
  const QString text = member.text();
  const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
  // Without "Z" or an offset the time would be read as local time. A time
  // whose UTC year has no ISO 8601 text (past 9999) could not be saved again.
  if (!time.isValid() || time.timeSpec() == Qt::LocalTime || time.toUTC().toString(Qt::ISODate).isEmpty()) {
    refuse(QString("Chiave \"saved_at\": data non valida \"%1\" (attesa data ISO 8601 con fuso orario, "
                   "come 2026-12-08T10:15:30Z)")
               .arg(text));
  }
  // The file holds whole seconds, as to_json writes them; a fraction is
  // dropped so that the file loaded is the file that saving it writes.
  const QDateTime utc = time.toUTC();
  return utc.addMSecs(-utc.time().msec());
}

FieldValues settings_of(const QJsonObject& root) {
  const QString parent = "settings";
  const QJsonObject object = Member(root, {}, parent).object();
  FieldValues fields;
  for (const TextKey& text_key : text_keys) {
    const Member member(object, parent, text_key.key);
    const StrictText read = read_setting_text(*setting_named(text_key.key), member.path(), member.text_or_number());
    if (!read.text) refuse(read.refusal);
    fields.*text_key.member = *read.text;
  }
  fields.quarn_mode = Member(object, parent, "code_mode").choice(code_mode_names) == 0;
  fields.low_tones = Member(object, parent, "tones").choice(tone_names) == 1;
  fields.battery_alarm = Member(object, parent, "battery_alarm").flag();
  fields.multiple_tx = Member(object, parent, "tx_mode").choice(tx_mode_names) == 1;
  return fields;
}

std::optional<MemoryRead> cells_of(const QJsonObject& root) {
  const Member member(root, {}, "cells");
  if (member.value().isNull()) return std::nullopt;
  if (!member.value().isArray()) member.mistyped("elenco o null");
  const QJsonArray array = member.value().toArray();
  if (array.size() != read_count) {
    refuse(QString("\"cells\" deve avere %1 valori, ne ha %2")
               .arg(QString::number(read_count), QString::number(array.size())));
  }
  MemoryRead cells{};
  for (int address = 0; address < read_count; ++address) {
    const QJsonValue cell = array.at(address);
    const QString name = QString::number(address);
    if (!cell.isDouble()) refuse(QString("Cella %1: atteso numero, trovato %2").arg(name, type_name(cell)));
    const double value = cell.toDouble();
    if (value != std::floor(value)) refuse(QString("Cella %1 non intera: %2").arg(name, number_text(value)));
    if (value < 0 || value > 255) refuse(QString("Cella %1 fuori intervallo 0-255: %2").arg(name, number_text(value)));
    cells[address] = static_cast<std::uint8_t>(value);
  }
  return cells;
}

// With cells present, the device keys must tell what cells 60 and 62 tell;
// a mismatch means the file was edited by hand and cannot be trusted.
void check_device_against_cells(const SettingsFile& file) {
  if (!file.cells) return;
  const std::uint8_t type = (*file.cells)[cell::device_type];
  if (generation_of(type) != file.generation) {
    refuse(QString("Chiave \"device.generation\": \"%1\" non corrisponde alla cella 60 (%2)")
               .arg(generation_names[file.generation == Generation::New ? 0 : 1], QString::number(type)));
  }
  const std::uint8_t band = (*file.cells)[cell::band];
  if (band_of_cell(band) != file.band) {
    refuse(QString("Chiave \"device.band\": \"%1\" non corrisponde alla cella 62 (%2)")
               .arg(band_names[band_index(file.band)], QString::number(band)));
  }
}

SettingsFile checked_file(const QByteArray& bytes) {
  const QJsonObject root = top_object(bytes);
  check_format_and_version(root);

  SettingsFile file;
  file.tool_version = Member(root, {}, "tool_version").text();
  file.saved_at = saved_at(root);

  const QJsonObject device = Member(root, {}, "device").object();
  file.generation = Member(device, "device", "generation").choice(generation_names) == 0 ? Generation::New
                                                                                         : Generation::Old;
  const int band = Member(device, "device", "band").choice(band_names);
  if (band < 2) file.band = band == 0 ? Band::Uhf : Band::Vhf;

  file.settings = settings_of(root);
  file.cells = cells_of(root);
  if (root.contains("read_out_of_step")) file.read_out_of_step = Member(root, {}, "read_out_of_step").flag();
  check_device_against_cells(file);
  return file;
}

}  // namespace

QByteArray to_json(const SettingsFile& file) {
  const QString tool = file.tool_version.isEmpty() ? QCoreApplication::applicationVersion() : file.tool_version;
  const QDateTime when = file.saved_at.isValid() ? file.saved_at : QDateTime::currentDateTimeUtc();
  const FieldValues& fields = file.settings;

  QByteArray out;
  ObjectWriter top(out, 0);
  top.add("format", quoted(QString(settings_format)));
  top.add("version", QByteArray::number(settings_version));
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
  for (const TextKey& text_key : text_keys) settings_writer.add(text_key.key, quoted(fields.*text_key.member));
  settings_writer.add("code_mode", quoted(code_mode_names[fields.quarn_mode ? 0 : 1]));
  settings_writer.add("tones", quoted(tone_names[fields.low_tones ? 1 : 0]));
  settings_writer.add("battery_alarm", fields.battery_alarm ? "true" : "false");
  settings_writer.add("tx_mode", quoted(tx_mode_names[fields.multiple_tx ? 1 : 0]));
  settings_writer.close();
  top.add("settings", settings);

  top.add("cells", cells_text(file.cells));
  if (file.read_out_of_step) top.add("read_out_of_step", "true");
  top.close();
  return out + '\n';
}

SettingsLoad load_settings(const QByteArray& bytes) {
  try {
    return {checked_file(bytes), {}};
  } catch (const Refused& refused) {
    return {std::nullopt, refused.message};
  }
}

StrictText read_setting_text(const SettingDeclaration& setting, const QString& key, const QString& given) {
  const QByteArray utf8 = given.toUtf8();
  const CheckedText checked =
      check_setting_text(setting, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  if (checked.fault == TextFault::None) return {checked.text, {}};
  QString refusal = QString("Chiave \"%1\": \"%2\" non è un numero").arg(key, given);
  if (checked.fault == TextFault::Character) {
    // The character as given: a comma stays a comma.
    const QString rest = QString::fromUtf8(utf8.mid(static_cast<qsizetype>(checked.offset)));
    const QString character = rest.left(rest.front().isHighSurrogate() ? 2 : 1);
    refusal += QString(" (il campo non accetta \"%1\")").arg(character);
  }
  return {std::nullopt, refusal};
}

SettingsLoad load_settings_file(const QString& path) {
  // Opening a pipe waits for a writer, and a device may never end: only a
  // regular file (or a link to one) is opened.
  if (const QFileInfo info(path); info.exists() && !info.isFile()) {
    return {std::nullopt, QString("Impossibile aprire \"%1\": non è un file regolare").arg(path)};
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {std::nullopt, QString("Impossibile aprire \"%1\": %2").arg(path, file.errorString())};
  }
  // The size first, so that a huge file is refused without reading it; then
  // never more than one byte past the limit, for files whose size lies.
  if (file.size() > settings_max_size) return {std::nullopt, too_large(file.size())};
  const QByteArray bytes = file.read(settings_max_size + 1);
  if (file.error() != QFileDevice::NoError) {
    return {std::nullopt, QString("Impossibile leggere \"%1\": %2").arg(path, file.errorString())};
  }
  return load_settings(bytes);
}

std::optional<QString> save_settings_file(const QString& path, const SettingsFile& file) {
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) {
    return QString("Impossibile salvare \"%1\": %2").arg(path, out.errorString());
  }
  const QByteArray bytes = to_json(file);
  // The flush is checked here because commit() overlooks a buffered write
  // that fails when it is flushed (a full disk), and would rename a cut file
  // over the old one. Leaving without commit() removes the temporary file.
  if (out.write(bytes) != bytes.size() || !out.flush() || !out.commit()) {
    return QString("Impossibile salvare \"%1\": %2").arg(path, out.errorString());
  }
  return std::nullopt;
}

SettingsFile settings_file_of_read(const MemoryRead& cells, bool out_of_step) {
  SettingsFile file;
  file.read_out_of_step = out_of_step;
  file.settings = field_values_of(decode_block(cells));
  file.cells = cells;
  file.generation = generation_of(cells[cell::device_type]);
  if (cells[cell::band] == band_uhf) file.band = Band::Uhf;
  if (cells[cell::band] == band_vhf) file.band = Band::Vhf;
  file.tool_version = QCoreApplication::applicationVersion();
  file.saved_at = QDateTime::currentDateTimeUtc();
  return file;
}

}  // namespace quarn
