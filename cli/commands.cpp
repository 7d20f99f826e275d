#include "cli/commands.h"

#include "cli/arguments.h"
#include "cli/cli_settings.h"
#include "cli/device_session.h"
#include "config/block_encoding.h"
#include "config/cell_map.h"
#include "link/port_names.h"
#include "link/refusal_texts.h"
#include "link/settings_file.h"

#include <QDateTime>
#include <QFile>

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace quarn::cli {
namespace {

// The parsed arguments and the trace they name, opened before any port.
struct Invocation : Arguments {
  std::shared_ptr<TrafficTrace> trace_log;  // null: no trace
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

void report_port_error(const PortError& error) {
  err(QString("%1 %2\n%3\n").arg(error.number).arg(error.description, message_port_failure));
}

// A connect that did not read the memory; the exit code.
int report_connect_failure(const Outcome& outcome, bool timed_out) {
  switch (outcome.kind) {
    case OutcomeKind::PortError:
    case OutcomeKind::DeviceLost:
      report_port_error(outcome.port_error);
      return exit_code::port;
    case OutcomeKind::Cancelled:
      err(timed_out ? message_no_answer + '\n' : QString("Interrotto\n"));
      return exit_code::no_acknowledgement;
    case OutcomeKind::BackupFailed:
    case OutcomeKind::Completed:
    case OutcomeKind::NoAcknowledgement:
      break;
  }
  err(message_read_error + '\n');
  return exit_code::verify;
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
bool ready_to_program(const ReadResult& read) {
  if (read.out_of_step) {
    err(message_read_error + "\nNulla inviato al trasmettitore\n");
    return false;
  }
  if (!read_is_sound(read)) err(message_checksum_rewritten + '\n');
  return true;
}

QString address_value_table(const std::vector<std::uint8_t>& writes) {
  QString text;
  for (std::size_t a = 0; a < writes.size(); ++a) text += QString("%1: %2\n").arg(a, 2).arg(writes[a], 3);
  return text;
}

// The outcome of a write run; the exit code. Names the cell left without
// its acknowledgement and every cell that read back otherwise.
int report_write(const WriteResult& result, const std::vector<std::uint8_t>& writes) {
  if (!result.writes_completed) {
    switch (result.outcome.kind) {
      case OutcomeKind::NoAcknowledgement: {
        const int confirmed = result.outcome.acknowledged;
        const QString range = confirmed > 0 ? QString(" (0 - %1)").arg(confirmed - 1) : QString();
        err(QString("%1\nNessuna conferma (K) per la cella %2; confermate %3 celle%4\n")
                .arg(message_time_out)
                .arg(result.outcome.address)
                .arg(confirmed)
                .arg(range));
        return exit_code::no_acknowledgement;
      }
      case OutcomeKind::PortError:
      case OutcomeKind::DeviceLost:
        report_port_error(result.outcome.port_error);
        err(QString("Confermate %1 celle prima dell'errore\n").arg(result.outcome.acknowledged));
        return exit_code::port;
      case OutcomeKind::BackupFailed:
        err(result.outcome.reason + "\nNulla inviato al trasmettitore\n");
        return exit_code::backup;
      case OutcomeKind::Completed:
      case OutcomeKind::Cancelled:
        err(message_time_out + '\n');
        return exit_code::no_acknowledgement;
    }
    return exit_code::no_acknowledgement;
  }
  if (result.outcome.kind == OutcomeKind::DeviceLost || result.outcome.kind == OutcomeKind::PortError) {
    report_port_error(result.outcome.port_error);
    err(message_read_error + '\n');
    return exit_code::port;
  }
  if (!result.outcome.completed()) {
    err(message_read_error + '\n');
    return exit_code::verify;
  }
  if (!result.verified()) {
    err(message_read_error + '\n');
    for (const int a : result.mismatched) {
      err(QString("cella %1: scritto %2, letto %3\n").arg(a).arg(writes.at(a)).arg(result.read_back.cells.at(a)));
    }
    if (result.writes_out_of_step || result.read_back.out_of_step) err("Risposte fuori passo dal trasmettitore\n");
    return exit_code::verify;
  }
  return exit_code::done;
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
  return o;
}

struct Loaded {
  std::optional<SettingsFile> file;
  int exit = exit_code::done;
};

Loaded load_file(const QString& path) {
  const SettingsLoad load = load_settings_file(path);
  if (!load.file) {
    err(QString("%1: %2\n").arg(path, load.refusal));
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
  FileSettings settings{loaded.file, loaded.file->settings};
  if (const auto bad = apply_sets(settings.fields, a.sets)) return {std::nullopt, {}, *bad};
  return settings;
}

// Encodes; a refusal is printed and nothing is to be sent.
std::optional<ProgrammingRun> encode_or_refuse(const ParameterBlock& image, const FieldValues& fields) {
  ProgrammingRun run = encode_block(image, fields);
  if (run.outside_transmit_ranges) err(transmit_range_warning_text() + '\n');
  if (run.refusal) {
    err(refusal_text(*run.refusal) + "\nNulla inviato al trasmettitore\n");
    return std::nullopt;
  }
  return run;
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
    const bool may_open = ::access(info.device.toLocal8Bit().constData(), R_OK | W_OK) == 0;
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

int cmd_read(const Invocation& a, int port) {
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return report_connect_failure(outcome, timed_out);
  device.end('E');
  const bool sound = read_is_sound(read);
  const SettingsFile file = settings_file_of_read(read.cells);
  if (!a.output.isEmpty()) {
    if (const auto problem = save_settings_file(a.output, file)) {
      err(*problem + '\n');
      return exit_code::refused;
    }
  } else if (a.json) {
    out(QString::fromUtf8(to_json(file)));
  } else {
    out(settings_table(file));
  }
  if (!sound) {
    err(message_read_error + '\n');
    return exit_code::verify;
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
  if (!outcome.completed()) return report_connect_failure(outcome, timed_out);
  if (!ready_to_program(read)) return exit_code::verify;
  const auto run = encode_or_refuse(image_for_device(image, read.cells), fields);
  if (!run) return exit_code::refused;
  const WriteResult result = device.program(run->writes);
  const int code = report_write(result, run->writes);
  device.end('E');
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
  if (!outcome.completed()) return report_connect_failure(outcome, timed_out);
  const MemoryImage cells = factory_default_cells(band, generation);
  const WriteResult result = device.loadFactorySet(band, generation);
  const int code = report_write(result, {cells.begin(), cells.end()});
  device.end('E');
  if (code == exit_code::done) out("Valori di fabbrica caricati e verificati\n");
  return code;
}

int cmd_test_tx(const Invocation& a, int port) {
  DeviceSession device(device_options(a, port));
  bool timed_out = false;
  const auto [outcome, read] = device.connectAndRead(&timed_out);
  if (!outcome.completed()) return report_connect_failure(outcome, timed_out);
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
  if (!outcome.completed()) return {std::nullopt, report_connect_failure(outcome, timed_out)};
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

// ---- Batch ----

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
  const int count = a.count.value_or(1000000);
  const long long first_code = *a.code_from;
  if (first_code + count - 1 > 65535 && a.count) {
    err("--code-from + --count supera il codice 65535\n");
    return exit_code::usage;
  }
  // The first code shows whether the settings can be programmed at all.
  if (!encode_or_refuse(image_of_file(*settings.file, fields_for(first_code)), fields_for(first_code))) {
    return exit_code::refused;
  }

  std::unique_ptr<QFile> csv;
  if (!a.report.isEmpty()) {
    csv = std::make_unique<QFile>(a.report);
    const bool fresh = !csv->exists() || csv->size() == 0;
    if (!csv->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
      err(QString("Impossibile scrivere il rapporto %1: %2\n").arg(a.report, csv->errorString()));
      return exit_code::usage;
    }
    if (fresh) csv->write("ora,codice,esito,celle_verificate\n");
    csv->flush();
  }

  int first_failure = exit_code::done;
  std::optional<std::vector<std::uint8_t>> last_written;
  for (int i = 0; i < count && first_code + i <= 65535; ++i) {
    const long long code = first_code + i;
    const FieldValues fields = fields_for(code);
    int result_code = exit_code::done;
    QString result_text;
    int verified = 0;
    for (;;) {
      err(QString("Collegare il trasmettitore %1 e premere Invio (codice %2)\n").arg(i + 1).arg(code));
      std::string line;
      if (!std::getline(std::cin, line)) {
        err("Fine dell'input: lotto terminato\n");
        return first_failure;
      }
      DeviceSession device(device_options(a, port));
      bool timed_out = false;
      const auto [outcome, read] = device.connectAndRead(&timed_out);
      if (!outcome.completed()) {
        result_code = report_connect_failure(outcome, timed_out);
        result_text = timed_out ? message_no_answer : message_port_failure;
        break;
      }
      if (!ready_to_program(read)) {
        result_code = exit_code::verify;
        result_text = message_read_error.trimmed();
        break;
      }
      if (last_written && std::equal(last_written->begin(), last_written->begin() + std::min<std::size_t>(last_written->size(), read_count), read.cells.begin())) {
        device.end('E');
        err("Questo trasmettitore e' quello appena programmato: collegare il successivo\n");
        continue;
      }
      const auto run = encode_or_refuse(image_for_device(image_of_file(*settings.file, fields), read.cells), fields);
      if (!run) {
        result_code = exit_code::refused;
        result_text = "Impostazioni rifiutate";
        break;
      }
      const WriteResult written = device.program(run->writes);
      result_code = report_write(written, run->writes);
      device.end('E');
      last_written = run->writes;
      verified = verified_count(written, run->writes.size());
      result_text = result_code == exit_code::done                 ? QString("OK")
                    : result_code == exit_code::no_acknowledgement ? QString("TIME OUT cella %1").arg(written.outcome.address)
                    : result_code == exit_code::verify             ? QString("Verifica fallita")
                    : result_code == exit_code::backup             ? QString("Backup non riuscito")
                                                                   : QString("Errore porta");
      break;
    }
    QDateTime now = QDateTime::currentDateTime();
    now.setOffsetFromUtc(now.offsetFromUtc());  // local time with its offset from UTC
    const QString report_line = QString("%1,%2,%3,%4\n")
                                    .arg(now.toString(Qt::ISODate))
                                    .arg(code)
                                    .arg(result_text)
                                    .arg(verified);
    out(report_line);
    if (csv) {
      csv->write(report_line.toUtf8());
      csv->flush();
    }
    if (result_code != exit_code::done) {
      if (first_failure == exit_code::done) first_failure = result_code;
      if (a.stop_on_error) return first_failure;
    }
  }
  return first_failure;
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
  // A trace that cannot be written stops the command before the port opens.
  if (!a.trace.isEmpty()) {
    a.trace_log = std::make_shared<TrafficTrace>();
    if (const auto problem = a.trace_log->open(a.trace)) {
      err("quarnctl: " + *problem + '\n');
      return exit_code::usage;
    }
  }
  if (a.command == "read") return cmd_read(a, n);
  if (a.command == "program") return cmd_program(a, n);
  if (a.command == "defaults") return cmd_defaults(a, n);
  if (a.command == "test-tx") return cmd_test_tx(a, n);
  if (a.command == "check") return cmd_check(a);
  if (a.command == "diff") return cmd_diff(a, n);
  if (a.command == "batch") return cmd_batch(a, n);
  err(QString("Comando sconosciuto \"%1\" (quarnctl --help)\n").arg(a.command));
  return exit_code::usage;
}

}  // namespace quarn::cli
