#include "cli/commands.h"

#include "cli/arguments.h"
#include "cli/batch_report.h"
#include "cli/cli_settings.h"
#include "cli/device_session.h"
#include "cli/stop_signals.h"
#include "config/block_encoding.h"
#include "config/cell_map.h"
#include "config/option_rules.h"
#include "config/settings_table.h"
#include "documents/backup_store.h"
#include "documents/operator_texts.h"
#include "documents/settings_file.h"
#include "link/port_names.h"

#include <QDateTime>
#include <QDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

namespace quarn::cli {
namespace {

// The parsed arguments, the trace they name (opened before any port) and
// the stop signals that the device sessions arm.
struct Invocation : Arguments {
  std::shared_ptr<TrafficTrace> trace_log;  // null: no trace
  StopSignals* stops = nullptr;
};

// The window's texts, repeated here because the command line links no
// widget code.
const QString message_port_failure = QStringLiteral("Porta seriale Guasta o Mancante");
const QString message_read_error = QStringLiteral("Errore di Lettura nei Parametri, Riprovare ");
const QString message_time_out = QStringLiteral("Errore TIME OUT   ");
const QString message_no_answer = QStringLiteral("Nessuna risposta dal trasmettitore");
const QString message_checksum_rewritten =
    QStringLiteral("Somma di controllo della memoria errata: la programmazione la riscrive");

void out(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  std::fflush(stdout);
}
void err(const QString& text) {
  std::fputs(text.toUtf8().constData(), stderr);
  std::fflush(stderr);
}

// ---- Reports of the service's outcomes ----

// What a step says (lines ending in "\n", printed on standard error) and the
// exit code it leads to.
struct Report {
  int exit = exit_code::done;
  QString text;
};

// The report's lines as one field of the batch report.
QString one_line(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) lines << line.trimmed();
  return lines.join(QStringLiteral(" / "));
}

QString port_error_text(const PortError& error) {
  return QString("%1 %2\n%3\n").arg(error.number).arg(error.description, message_port_failure);
}

// A connect that did not read the memory. A stop signal says nothing here:
// the program's end names it.
Report report_connect_failure(const Outcome& outcome, bool timed_out) {
  switch (outcome.kind) {
    case OutcomeKind::PortError:
    case OutcomeKind::DeviceLost:
      return {exit_code::port, port_error_text(outcome.port_error)};
    case OutcomeKind::Cancelled:
      return {exit_code::no_acknowledgement, timed_out ? message_no_answer + '\n' : QString()};
    case OutcomeKind::BackupFailed:
    case OutcomeKind::Completed:
    case OutcomeKind::NoAcknowledgement:
      break;
  }
  return {exit_code::verify, message_read_error + '\n'};
}

// A read whose cells cannot be trusted: out of step, or a New device whose
// checksum does not match, as the window judges it.
bool read_is_sound(const ReadResult& read) {
  const DecodedBlock decoded = decode_block(read.cells);
  return !read.out_of_step && !(decoded.is_new && decoded.checksum_mismatch);
}

// Programming needs the read in step: the run takes the unit's type and band
// from it. A New checksum that disagrees is what the run rewrites (a run cut
// short leaves one), so it is said but does not stop the run; otherwise a
// unit left half written could never be programmed again.
Report ready_to_program(const ReadResult& read) {
  if (read.out_of_step) return {exit_code::verify, message_read_error + "\nNulla inviato al trasmettitore\n"};
  if (!read_is_sound(read)) return {exit_code::done, message_checksum_rewritten + '\n'};
  return {};
}

QString address_value_table(const std::vector<std::uint8_t>& writes) {
  QString text;
  for (std::size_t a = 0; a < writes.size(); ++a) text += QString("%1: %2\n").arg(a, 2).arg(writes[a], 3);
  return text;
}

// " (0 - 9)" after "confermate 10 celle"; nothing when none was confirmed.
QString confirmed_range(int confirmed) { return confirmed > 0 ? QString(" (0 - %1)").arg(confirmed - 1) : QString(); }

// The outcome of a write run. Names the cell left without its
// acknowledgement, every cell that read back otherwise, and after a stop
// signal the cells written and where the memory as it was is saved.
Report report_write(const WriteResult& result, const std::vector<std::uint8_t>& writes, const QString& backup) {
  const int confirmed = result.writes_completed ? int(writes.size()) : result.outcome.acknowledged;
  if (result.outcome.kind == OutcomeKind::Cancelled) {
    return {exit_code::no_acknowledgement,
            QString("Scrittura fermata: confermate %1 celle%2%3\nCopia di sicurezza: %4\n")
                .arg(confirmed)
                .arg(confirmed_range(confirmed))
                .arg(result.writes_completed ? QString(", non verificate") : QString())
                .arg(backup.isEmpty() ? QString("nessuna") : backup)};
  }
  if (!result.writes_completed) {
    switch (result.outcome.kind) {
      case OutcomeKind::NoAcknowledgement:
        return {exit_code::no_acknowledgement,
                QString("%1\nNessuna conferma (K) per la cella %2; confermate %3 celle%4\n")
                    .arg(message_time_out)
                    .arg(result.outcome.address)
                    .arg(confirmed)
                    .arg(confirmed_range(confirmed))};
      case OutcomeKind::PortError:
      case OutcomeKind::DeviceLost:
        return {exit_code::port, port_error_text(result.outcome.port_error) +
                                     QString("Confermate %1 celle prima dell'errore\n").arg(confirmed)};
      case OutcomeKind::BackupFailed:
        return {exit_code::backup, backup_failure_text(result.outcome.backup_failure) + "\nNulla inviato al trasmettitore\n"};
      case OutcomeKind::Completed:
      case OutcomeKind::Cancelled:
        break;
    }
    return {exit_code::no_acknowledgement, message_time_out + '\n'};
  }
  if (result.outcome.kind == OutcomeKind::DeviceLost || result.outcome.kind == OutcomeKind::PortError) {
    return {exit_code::port, port_error_text(result.outcome.port_error) + message_read_error + '\n'};
  }
  if (!result.outcome.completed()) return {exit_code::verify, message_read_error + '\n'};
  if (!result.verified()) {
    QString text = message_read_error + '\n';
    for (const int a : result.mismatched) {
      text += QString("cella %1: scritto %2, letto %3\n").arg(a).arg(writes.at(a)).arg(result.read_back.cells.at(a));
    }
    if (result.writes_out_of_step || result.read_back.out_of_step) text += "Risposte fuori passo dal trasmettitore\n";
    return {exit_code::verify, text};
  }
  return {};
}

int verified_count(const WriteResult& result, std::size_t written) {
  if (!result.verified()) return 0;
  return int(std::min<std::size_t>(written, read_count));
}

// ---- Shared steps ----

DeviceOptions device_options(const Invocation& a, int port) {
  DeviceOptions o;
  o.port_number = port;
  o.ready_timeout_s = a.timeout_s;
  o.trace = a.trace_log;
  o.progress = isatty(STDERR_FILENO);
  o.back_up = !a.no_backup;
  o.stops = a.stops;
  return o;
}

struct Loaded {
  std::optional<SettingsFile> file;
  int exit = exit_code::done;
};

Loaded load_file(const QString& path) {
  const SettingsLoad load = load_settings_file(path);
  if (!load.file) {
    err(QString("%1: %2\n").arg(path, settings_refusal_text(*load.refusal)));
    return {std::nullopt, exit_code::refused};
  }
  return {load.file, exit_code::done};
}

// Applies every --set; a text the field refuses refuses the settings, any
// other fault is a usage error.
std::optional<int> apply_sets(FieldValues& fields, const QStringList& sets) {
  const auto problem = apply_overrides(fields, sets);
  if (!problem) return std::nullopt;
  err(problem->message + '\n');
  return problem->text_refused ? exit_code::refused : exit_code::usage;
}

// The one settings file a command names, with every --set applied.
struct FileSettings {
  std::optional<SettingsFile> file;
  FieldValues fields;
  int exit = exit_code::done;
};

FileSettings file_settings(const Invocation& a, const char* command) {
  if (a.positional.size() != 1) {
    err(QString("%1 vuole un file di impostazioni\n").arg(command));
    return {std::nullopt, {}, exit_code::usage};
  }
  const Loaded loaded = load_file(a.positional[0]);
  if (!loaded.file) return {std::nullopt, {}, loaded.exit};
  // A backup of a read out of step keeps its cells as evidence only.
  if (loaded.file->read_out_of_step) {
    err(QString("Attenzione: %1 viene da una lettura fuori passo: le sue celle possono essere spostate\n")
            .arg(a.positional[0]));
  }
  FileSettings settings{loaded.file, loaded.file->settings};
  if (const auto bad = apply_sets(settings.fields, a.sets)) return {std::nullopt, {}, *bad};
  return settings;
}

// Encodes what the window would program on a unit of the image's generation;
// a refusal is printed (and kept in *refusal) and nothing is to be sent.
std::optional<ProgrammingRun> encode_or_refuse(ParameterBlock image, const FieldValues& typed,
                                               QString* refusal = nullptr) {
  const FieldValues fields = with_option_rules(typed, generation_of(image.device_type));
  apply_options(image, fields);
  ProgrammingRun run = encode_block(image, fields);
  if (const auto warning = run_warning_text(run)) err(*warning + '\n');
  if (run.refusal) {
    const QString text = refusal_text(*run.refusal) + "\nNulla inviato al trasmettitore\n";
    err(text);
    if (refusal) *refusal = text;
    return std::nullopt;
  }
  return run;
}

QString band_label(const std::optional<Band>& band) {
  if (!band) return QStringLiteral("?");
  return *band == Band::Uhf ? QStringLiteral("UHF") : QStringLiteral("VHF");
}

// Prints what a step said; its exit code.
int said(const Report& report) {
  err(report.text);
  return report.exit;
}

// The image aimed at the connected unit: its own device type and band, as
// just read, so a run never changes what kind of device the unit is.
ParameterBlock image_for_device(ParameterBlock image, const MemoryRead& device) {
  image.device_type = device[cell::device_type];
  image.band = device[cell::band];
  return image;
}

// ---- Commands ----

QString yes_no(bool b) { return b ? QStringLiteral("si") : QStringLiteral("no"); }

int cmd_ports() {
  QString text;
  // In the window's order, so that the first one listed is "Com 1".
  const std::vector<PortInfo> ports = ordered_ports(system_ports());
  std::vector<QString> coms;
  for (int n = SerialLink::first_port; n <= SerialLink::last_port; ++n) coms.push_back(port_choice(n, ports).device);
  bool refused = false;
  for (const PortInfo& info : ports) {
    QString com;
    for (int n = SerialLink::first_port; n <= SerialLink::last_port; ++n) {
      if (coms[std::size_t(n - SerialLink::first_port)] == info.device) com = QString("Com %1").arg(n);
    }
    QString ids = "-";
    if (info.vendor && info.product) {
      ids = QString("%1:%2").arg(*info.vendor, 4, 16, QChar('0')).arg(*info.product, 4, 16, QChar('0'));
    }
#ifdef Q_OS_WIN
    const bool may_open = true;  // every user may open a COM port
#else
    const bool may_open = ::access(info.device.toLocal8Bit().constData(), R_OK | W_OK) == 0;
#endif
    refused = refused || !may_open;
    text += QString("%1\n  descrizione: %2\n  produttore: %3\n  USB: %4\n  nella finestra: %5\n  accesso: %6\n")
                .arg(info.device, info.description.isEmpty() ? "-" : info.description,
                     info.manufacturer.isEmpty() ? "-" : info.manufacturer, ids,
                     com.isEmpty() ? QString("nessuna Com") : com, yes_no(may_open));
    if (!info.stable_name.isEmpty()) text += QString("  by-id: %1\n").arg(info.stable_name);
  }
  if (ports.empty()) text += "Nessuna porta seriale trovata\n";
  out(text);
  if (refused) {
    err("Manca il permesso su alcune porte: l'utente non e' nel gruppo dialout.\n"
        "Aggiungerlo con:  sudo adduser $USER dialout  e poi uscire e rientrare nella sessione.\n");
  }
  return exit_code::done;
}

// Only a read that can be trusted is kept or shown: a file written from a
// misread would later program the misread values.
int cmd_read(const Invocation& a, int port) {
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return said(report_connect_failure(outcome, timed_out));
  device.end('E');
  if (!read_is_sound(read)) return said({exit_code::verify, message_read_error + '\n'});
  const SettingsFile file = settings_file_of_read(read.cells);
  if (!a.output.isEmpty()) {
    if (const auto problem = save_settings_file(a.output, file)) {
      err(file_error_text(*problem) + '\n');
      return exit_code::refused;
    }
  } else if (a.json) {
    out(QString::fromUtf8(to_json(file)));
  } else {
    out(settings_table(file));
  }
  return exit_code::done;
}

int cmd_program(const Invocation& a, int port) {
  const FileSettings settings = file_settings(a, "program");
  if (!settings.file) return settings.exit;
  const FieldValues& fields = settings.fields;
  const ParameterBlock image = image_of_file(*settings.file, fields);
  // Refused settings are reported before the port is opened.
  if (!encode_or_refuse(image, fields)) return exit_code::refused;

  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return said(report_connect_failure(outcome, timed_out));
  if (const int refused = said(ready_to_program(read)); refused != exit_code::done) return refused;
  const auto run = encode_or_refuse(image_for_device(image, read.cells), fields);
  if (!run) return exit_code::refused;
  const WriteResult result = device.program(run->writes);
  device.end('E');
  const int code = said(report_write(result, run->writes, device.session().lastBackupPath()));
  if (code == exit_code::done) out(QString("Programmazione verificata: %1 celle\n").arg(run->writes.size()));
  return code;
}

int cmd_defaults(const Invocation& a, int port) {
  if (a.positional.size() != 1 || (a.positional[0] != "uhf" && a.positional[0] != "vhf")) {
    err("defaults vuole uhf oppure vhf\n");
    return exit_code::usage;
  }
  const Band band = a.positional[0] == "uhf" ? Band::Uhf : Band::Vhf;
  const Generation generation = a.old ? Generation::Old : Generation::New;
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return said(report_connect_failure(outcome, timed_out));
  const MemoryImage cells = factory_default_cells(band, generation);
  const WriteResult result = device.loadFactorySet(band, generation);
  device.end('E');
  const int code = said(report_write(result, {cells.begin(), cells.end()}, device.session().lastBackupPath()));
  if (code == exit_code::done) out("Valori di fabbrica caricati e verificati\n");
  return code;
}

int cmd_test_tx(const Invocation& a, int port) {
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return said(report_connect_failure(outcome, timed_out));
  device.end('Q');
  out("Trasmissione di prova inviata\n");
  return exit_code::done;
}

int cmd_check(const Invocation& a) {
  const FileSettings settings = file_settings(a, "check");
  if (!settings.file) return settings.exit;
  const FieldValues& fields = settings.fields;
  ParameterBlock image = image_of_file(*settings.file, fields);
  // A New device unless the file says Old.
  image.device_type = settings.file->generation == Generation::Old ? 0 : device_type_new;
  const auto run = encode_or_refuse(image, fields);
  if (!run) return exit_code::refused;
  out(address_value_table(run->writes));
  return exit_code::done;
}

struct Side {
  std::optional<SettingsFile> file;
  int exit = exit_code::done;
};

Side load_side(const QString& name, const Invocation& a, int port) {
  if (name != "device") {
    const Loaded loaded = load_file(name);
    return {loaded.file, loaded.exit};
  }
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return {std::nullopt, said(report_connect_failure(outcome, timed_out))};
  device.end('E');
  if (!read_is_sound(read)) {
    err(message_read_error + '\n');
    return {std::nullopt, exit_code::verify};
  }
  return {settings_file_of_read(read.cells), exit_code::done};
}

int cmd_diff(const Invocation& a, int port) {
  if (a.positional.size() != 2) {
    err("diff vuole due file di impostazioni (o \"device\")\n");
    return exit_code::usage;
  }
  const Side left = load_side(a.positional[0], a, port);
  if (!left.file) return left.exit;
  const Side right = load_side(a.positional[1], a, port);
  if (!right.file) return right.exit;
  QString text;
  const auto l = setting_lines(left.file->settings);
  const auto r = setting_lines(right.file->settings);
  for (std::size_t i = 0; i < l.size(); ++i) {
    if (l[i].value != r[i].value) text += QString("%1: %2 -> %3\n").arg(l[i].key, l[i].value, r[i].value);
  }
  if (left.file->cells && right.file->cells) {
    for (int c = 0; c < read_count; ++c) {
      const int x = (*left.file->cells)[c];
      const int y = (*right.file->cells)[c];
      if (x != y) text += QString("cella %1: %2 -> %3\n").arg(c).arg(x).arg(y);
    }
  } else if (left.file->cells.has_value() != right.file->cells.has_value()) {
    text += "celle: presenti in un solo file\n";
  }
  out(text.isEmpty() ? QString("Uguali\n") : text);
  return text.isEmpty() ? exit_code::done : exit_code::differences;
}

// ---- Backups ----

// The backups of both front ends, newest first: when, what each holds, and
// whether its read was out of step. Restoring one is `program` with its file.
int cmd_backups() {
  const BackupStore store(BackupStore::defaultFolder());
  QStringList paths = store.list();
  if (paths.isEmpty()) {
    out(QString("Nessun backup in %1\n").arg(QDir::toNativeSeparators(store.folder())));
    return exit_code::done;
  }
  std::reverse(paths.begin(), paths.end());
  const auto row = [](const QString& time, const QString& code, const QString& band, const QString& type,
                      const QString& read, const QString& file) {
    return QString("%1  %2  %3  %4  %5  %6\n")
        .arg(time, -19)
        .arg(code, -6)
        .arg(band, -5)
        .arg(type, -4)
        .arg(read, -11)
        .arg(file);
  };
  QString text = row("data e ora", "codice", "banda", "tipo", "lettura", "file");
  for (const QString& path : paths) {
    const SettingsLoad load = load_settings_file(path);
    if (!load.file) {
      text += QString("illeggibile: %1  %2\n").arg(settings_refusal_text(*load.refusal), QDir::toNativeSeparators(path));
      continue;
    }
    const SettingsFile& file = *load.file;
    text += row(file.saved_at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), QString::fromStdString(file.settings.code),
                band_label(file.band), file.generation == Generation::New ? "New" : "Old",
                file.read_out_of_step ? "fuori passo" : "in passo", QDir::toNativeSeparators(path));
  }
  out(text);
  return exit_code::done;
}

// ---- Batch ----

// One unit of a batch as its report row gives it.
struct UnitResult {
  int exit = exit_code::done;
  QString outcome;  // "OK", "rifiutata" (nothing sent) or "fallita"
  QString reason;   // what quarnctl said about it, on one line
  QString band;     // of the unit as read; empty before a read
  int verified = 0;
};

UnitResult unit_result(const Report& report, const QString& outcome, const QString& band = {}, int verified = 0) {
  return {report.exit, outcome, one_line(report.text), band, verified};
}

int cmd_batch(const Invocation& a, int port) {
  if (a.positional.size() != 1 || !a.code_from) {
    err("batch vuole un file di impostazioni e --code-from N\n");
    return exit_code::usage;
  }
  const FileSettings settings = file_settings(a, "batch");
  if (!settings.file) return settings.exit;
  const auto fields_for = [&](long long code) {
    FieldValues f = settings.fields;
    f.code = std::to_string(code);
    return f;
  };
  const long long first_code = *a.code_from;
  if (a.count && first_code + *a.count - 1 > 65535) {
    err("--code-from + --count supera il codice 65535\n");
    return exit_code::usage;
  }
  // Without --count the batch runs until the input ends (or the last code).
  const int planned = int(std::min<long long>(a.count.value_or(1000000), 65536 - first_code));
  // The first code shows whether the settings can be programmed at all.
  if (!encode_or_refuse(image_of_file(*settings.file, fields_for(first_code)), fields_for(first_code))) {
    return exit_code::refused;
  }
  BatchReport report(a.separator);
  if (!a.report.isEmpty()) {
    if (const auto problem = report.open(a.report)) {
      err(*problem + '\n');
      return exit_code::usage;
    }
  }

  int first_failure = exit_code::done;
  int programmed = 0;
  int failed = 0;
  bool input_ended = false;
  std::optional<std::vector<std::uint8_t>> last_written;
  for (int i = 0; i < planned; ++i) {
    const long long code = first_code + i;
    const FieldValues fields = fields_for(code);
    UnitResult unit;
    for (;;) {
      err(QString("Collegare il trasmettitore %1 e premere Invio (codice %2)\n").arg(i + 1).arg(code));
      std::string line;
      if (!std::getline(std::cin, line)) {
        input_ended = true;
        break;
      }
      DeviceSession device(device_options(a, port));
      bool timed_out = false;
      const auto [outcome, read] = device.connectAndRead(&timed_out);
      if (!outcome.completed()) {
        const Report failure = report_connect_failure(outcome, timed_out);
        err(failure.text);
        unit = unit_result(failure, "fallita");
        break;
      }
      const QString band = band_label(settings_file_of_read(read.cells).band);
      const Report ready = ready_to_program(read);
      err(ready.text);
      if (ready.exit != exit_code::done) {
        unit = unit_result(ready, "rifiutata", band);
        break;
      }
      if (last_written && std::equal(last_written->begin(), last_written->begin() + std::min<std::size_t>(last_written->size(), read_count), read.cells.begin())) {
        device.end('E');
        err("Questo trasmettitore e' quello appena programmato: collegare il successivo\n");
        continue;
      }
      QString refusal;
      const ParameterBlock image = image_for_device(image_of_file(*settings.file, fields), read.cells);
      const auto run = encode_or_refuse(image, fields, &refusal);
      if (!run) {
        unit = unit_result({exit_code::refused, refusal}, "rifiutata", band);
        break;
      }
      const WriteResult written = device.program(run->writes);
      device.end('E');
      last_written = run->writes;
      const Report result = report_write(written, run->writes, device.session().lastBackupPath());
      err(result.text);
      unit = unit_result(result, result.exit == exit_code::done ? "OK" : "fallita", band,
                         verified_count(written, run->writes.size()));
      break;
    }
    if (input_ended) break;
    if (unit.reason.isEmpty() && a.stops && a.stops->first()) {
      unit.reason = "Interrotto da " + StopSignals::name(*a.stops->first());
    }
    QDateTime now = QDateTime::currentDateTime();
    now.setOffsetFromUtc(now.offsetFromUtc());  // local time with its offset from UTC
    out(report.add({now.toString(Qt::ISODate), QString::number(code), unit.band,
                    QString::fromStdString(fields.frequency), unit.outcome, QString::number(unit.verified),
                    unit.reason}) +
        '\n');
    if (unit.exit == exit_code::done) {
      ++programmed;
    } else {
      ++failed;
      if (first_failure == exit_code::done) first_failure = unit.exit;
    }
    if ((a.stops && a.stops->first()) || (unit.exit != exit_code::done && a.stop_on_error)) break;
  }
  const bool cut_short = input_ended && a.count;
  if (cut_short) err(QString("Fine dell'input prima di %1 unità\n").arg(planned));
  else if (input_ended) err("Fine dell'input: lotto terminato\n");
  err(QString("Lotto: %1 unità programmate, %2 fallite, %3 non raggiunte\n")
          .arg(programmed)
          .arg(failed)
          .arg(a.count ? planned - programmed - failed : 0));
  if (first_failure != exit_code::done) return first_failure;
  return cut_short ? exit_code::usage : exit_code::done;
}

int run_command(const Invocation& a, int port) {
  if (a.command == "read") return cmd_read(a, port);
  if (a.command == "program") return cmd_program(a, port);
  if (a.command == "defaults") return cmd_defaults(a, port);
  if (a.command == "test-tx") return cmd_test_tx(a, port);
  if (a.command == "check") return cmd_check(a);
  if (a.command == "diff") return cmd_diff(a, port);
  if (a.command == "batch") return cmd_batch(a, port);
  err(QString("Comando sconosciuto \"%1\" (quarnctl --help)\n").arg(a.command));
  return exit_code::usage;
}

}  // namespace

int run(const QStringList& arguments) {
  const auto parsed = parse_arguments(arguments);
  if (const auto* answer = std::get_if<Answer>(&parsed)) {
    out(answer->text);
    return exit_code::done;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    err(usage->message + '\n');
    return exit_code::usage;
  }
  Invocation a{std::get<Arguments>(parsed), nullptr};
  const auto port = port_choice_of(a.port);
  if (const auto* usage = std::get_if<UsageError>(&port)) {
    err(usage->message + '\n');
    return exit_code::usage;
  }
  const PortChoice choice = std::get<PortChoice>(port);
  // A device path becomes "Com 1" of this process, which the port layer reads.
  if (!choice.device.isEmpty()) qputenv("QUARN_COM1", choice.device.toLocal8Bit());
  const int n = choice.number;
  if (a.command == "ports") return cmd_ports();
  if (a.command == "backups") return cmd_backups();
  // A trace that cannot be written stops the command before the port opens.
  if (!a.trace.isEmpty()) {
    a.trace_log = std::make_shared<TrafficTrace>();
    const TraceHeader header{"quarnctl", QStringLiteral(QUARN_VERSION),
                             QString("Com %1 (%2)").arg(n).arg(device_name_for_port(n))};
    if (const auto problem = a.trace_log->open(a.trace, header)) {
      err("quarnctl: " + file_error_text(*problem) + '\n');
      return exit_code::usage;
    }
  }
  StopSignals stops;
  a.stops = &stops;
  int code = run_command(a, n);
  // A trace that stopped taking lines did not stop the run: it is said after it.
  if (a.trace_log && a.trace_log->failure()) {
    err("quarnctl: " + file_error_text(*a.trace_log->failure()) + '\n');
    if (code == exit_code::done) code = exit_code::usage;
  }
  if (const auto signal = stops.first()) {
    err("Interrotto da " + StopSignals::name(*signal) + '\n');
    return 128 + *signal;
  }
  return code;
}

}  // namespace quarn::cli
