#include "documents/operator_texts.h"

#include "config/settings_table.h"

#include <QDir>

namespace quarn {

namespace {

// Any cell taken from the image as it stands; also the text for a refusal
// that a run never makes.
const QString parameters_text = "Errore Parametri Fuori Range (0 - 255)";

QString caption_of(SettingKey key) {
  const std::string_view caption = setting(key).caption;
  return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

// "Errore <caption> Fuori Range (<low> - <high>)", but for the frequency,
// whose text names no range, and a Mono code, whose text gives 1 as its
// lower end although a Mono code of 0 passes.
QString out_of_range_text(SettingKey key, const ValueRange& range) {
  if (setting(key).kind == SettingKind::OptionPair) return parameters_text;
  if (key == SettingKey::Frequency) return QString("Errore %1 Fuori Range").arg(caption_of(key));
  if (key == SettingKey::Code && range == mono_code_limits) {
    return "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)";
  }
  return QString("Errore %1 Fuori Range (%2 - %3)").arg(caption_of(key)).arg(range.low).arg(range.high);
}

QString wanted_name(JsonWanted wanted) {
  switch (wanted) {
    case JsonWanted::Text: return "testo";
    case JsonWanted::TextOrNumber: return "testo o numero";
    case JsonWanted::Flag: return "vero/falso";
    case JsonWanted::Integer: return "intero";
    case JsonWanted::Object: return "oggetto";
    case JsonWanted::ListOrNull: return "elenco o null";
  }
  return {};
}

QString type_name(QJsonValue::Type type) {
  switch (type) {
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

}  // namespace

QString refusal_text(const Refusal& refusal) {
  if (refusal.reason == RefusalReason::OutsideBand) return "Frequenza Fuori Banda !";
  if (refusal.reason == RefusalReason::OutOfRange && refusal.setting) {
    return out_of_range_text(*refusal.setting, refusal.range);
  }
  return parameters_text;
}

std::optional<QString> run_warning_text(const ProgrammingRun& run) {
  if (!run.outside_transmit_ranges) return std::nullopt;
  return "Frequenza TX fuori range!";
}

QString settings_refusal_text(const SettingsRefusal& r) {
  const QString key = QString("Chiave \"%1\"").arg(r.key);
  const QString number = QString::number(r.number);
  switch (r.fault) {
    case SettingsFault::Unreadable: return file_error_text(r.file);
    case SettingsFault::TooLarge:
      return QString("File troppo grande (%1 byte, massimo %2)").arg(number, QString::number(settings_max_size));
    case SettingsFault::NotUtf8: return "Il file non è UTF-8 valido";
    case SettingsFault::Empty: return "Il file è vuoto";
    case SettingsFault::NotJson:
      return QString("Il file non è JSON valido: %1 (al byte %2)").arg(parse_error_text(r.json_error), number);
    case SettingsFault::NotAnObject: return "Il file non contiene un oggetto JSON";
    case SettingsFault::RepeatedKey: return key + " presente più volte";
    case SettingsFault::UnknownFormat:
      return QString("Formato sconosciuto: \"%1\" (atteso \"%2\")").arg(r.found, settings_format);
    case SettingsFault::NewerVersion:
      return QString("Versione %1 più recente di quella supportata (%2)").arg(r.found).arg(number);
    case SettingsFault::NoSuchVersion: return QString("Versione %1 non valida (la prima è 1)").arg(r.found);
    case SettingsFault::MissingKey: return key + " mancante";
    case SettingsFault::UnknownKey: return QString("%1 sconosciuta nella versione %2").arg(key, number);
    case SettingsFault::WrongType:
      return QString("%1: atteso %2, trovato %3").arg(key, wanted_name(r.wanted), type_name(r.found_type));
    case SettingsFault::NotWhole: return QString("%1: atteso intero, trovato %2").arg(key, r.found);
    case SettingsFault::UnknownWord:
      return QString("%1: valore sconosciuto \"%2\" (ammessi: %3)").arg(key, r.found, r.allowed.join(", "));
    case SettingsFault::InvalidDate:
      return QString("%1: data non valida \"%2\" (attesa data ISO 8601 con fuso orario, come 2026-12-08T10:15:30Z)")
          .arg(key, r.found);
    case SettingsFault::NotANumber: {
      const QString text = QString("%1: \"%2\" non è un numero").arg(key, r.found);
      return r.refused.isEmpty() ? text : text + QString(" (il campo non accetta \"%1\")").arg(r.refused);
    }
    case SettingsFault::CellCount: return QString("\"cells\" deve avere %1 valori, ne ha %2").arg(read_count).arg(number);
    case SettingsFault::CellWrongType: return QString("Cella %1: atteso numero, trovato %2").arg(number, type_name(r.found_type));
    case SettingsFault::CellNotWhole: return QString("Cella %1 non intera: %2").arg(number, r.found);
    case SettingsFault::CellNotByte: return QString("Cella %1 fuori intervallo 0-255: %2").arg(number, r.found);
    case SettingsFault::DeviceAgainstCell:
      return QString("%1: \"%2\" non corrisponde alla cella %3 (%4)").arg(key, r.found, number).arg(r.cell_value);
  }
  return {};
}

QString file_error_text(const FileError& error) {
  switch (error.fault) {
    case FileFault::NotRegular: return QString("Impossibile aprire \"%1\": %2").arg(error.path, not_a_regular_file);
    case FileFault::NotRegularTarget: return QString("Impossibile salvare \"%1\": %2").arg(error.path, not_a_regular_file);
    case FileFault::NotOpened: return QString("Impossibile aprire \"%1\": %2").arg(error.path, error.reason);
    case FileFault::NotRead: return QString("Impossibile leggere \"%1\": %2").arg(error.path, error.reason);
    case FileFault::NotSaved: return QString("Impossibile salvare \"%1\": %2").arg(error.path, error.reason);
    case FileFault::NoFolder: return "nessuna cartella dei backup";
    case FileFault::FolderNotMade:
      return QString("impossibile creare la cartella \"%1\" (%2)").arg(QDir::toNativeSeparators(error.path), error.reason);
    case FileFault::FolderNotRead:
      return QString("Impossibile leggere la cartella dei backup \"%1\": %2").arg(QDir::toNativeSeparators(error.path), error.reason);
    case FileFault::TraceNotWritten: return QString("impossibile scrivere la traccia %1: %2").arg(error.path, error.reason);
  }
  return {};
}

std::optional<QString> port_remedy_text(const PortError& error) {
  switch (error.fault) {
    case PortFault::Permission:
      return QStringLiteral("Rimedio: aggiungere l'utente al gruppo dialout (sudo usermod -aG dialout $USER, poi uscire "
                            "e rientrare nella sessione) o usare la postazione locale, a cui udev dà l'accesso (uaccess)");
    case PortFault::Busy: return QStringLiteral("Rimedio: chiudere l'altro programma che usa la porta, poi Connetti");
    case PortFault::Lost:
    case PortFault::Other: break;
  }
  return std::nullopt;
}

QString backup_failure_text(const FileError& error) { return "Backup non salvato: " + file_error_text(error); }

}  // namespace quarn
