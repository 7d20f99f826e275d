#include "cli/messages.h"

#include "cli/exit_code.h"
#include "cli/system_error_texts.h"
#include "documents/operator_texts.h"

namespace quarn::cli {
namespace {

const QString message_no_answer = QStringLiteral("Nessuna risposta dal trasmettitore");
const QString nothing_sent = QStringLiteral("Nulla inviato al trasmettitore");

// quarnctl's own refusal: the program's name, then the system's texts in Italian.
QString own(const QString& text) { return "quarnctl: " + with_italian_system_texts(text) + '\n'; }

QString port_error_text(const PortError& error) {
  return QString("%1 %2\n%3\n").arg(error.number).arg(with_italian_system_texts(error.description), message_port_failure);
}

// " (0 - 9)" after "confermate 10 celle"; nothing when none was confirmed.
QString confirmed_range(int confirmed) { return confirmed > 0 ? QString(" (0 - %1)").arg(confirmed - 1) : QString(); }

// A stop signal says nothing here: the program's end names it.
Said said_connect(const ConnectFailed& failure) {
  switch (failure.outcome.kind) {
    case OutcomeKind::PortError:
    case OutcomeKind::DeviceLost:
      return {exit_code::port, port_error_text(failure.outcome.port_error)};
    case OutcomeKind::Cancelled:
      return {exit_code::no_acknowledgement, failure.timed_out ? message_no_answer + " su " + failure.port + '\n' : QString()};
    case OutcomeKind::BackupFailed:
    case OutcomeKind::Completed:
    case OutcomeKind::NoAcknowledgement:
      break;
  }
  return {exit_code::verify, message_read_error + '\n'};
}

// Names the cell left without its acknowledgement, every cell that read back
// otherwise, and after a stop signal the cells written.
Said said_write_stop(const WriteFailed& failure) {
  const WriteResult& result = failure.result;
  const int confirmed = result.writes_completed ? int(failure.writes.size()) : result.outcome.acknowledged;
  if (result.outcome.kind == OutcomeKind::Cancelled) {
    return {exit_code::no_acknowledgement,
            QString("Scrittura fermata: confermate %1 celle%2%3\n")
                .arg(confirmed)
                .arg(confirmed_range(confirmed))
                .arg(result.writes_completed ? QString(", non verificate") : QString())};
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
        return {exit_code::backup, backup_failure_text(result.outcome.backup_failure) + '\n' + nothing_sent + '\n' +
                                       "Usare --no-backup per scrivere senza copia di sicurezza.\n"};
      case OutcomeKind::Completed:
      case OutcomeKind::Cancelled:
        break;
    }
    return {exit_code::no_acknowledgement, message_time_out + '\n'};
  }
  if (result.outcome.kind == OutcomeKind::DeviceLost || result.outcome.kind == OutcomeKind::PortError) {
    return {exit_code::port, port_error_text(result.outcome.port_error) + message_read_error + '\n'};
  }
  QString text = message_read_error + '\n';
  if (result.outcome.completed()) {
    for (const int a : result.mismatched) {
      text += QString("cella %1: scritto %2, letto %3\n").arg(a).arg(failure.writes.at(std::size_t(a))).arg(result.read_back.cells.at(std::size_t(a)));
    }
    if (result.writes_out_of_step || result.read_back.out_of_step) text += "Risposte fuori passo dal trasmettitore\n";
  }
  return {exit_code::verify, text};
}

// A run that stopped part-way also names the memory as it was before it, to
// restore the unit from; one whose backup failed sent nothing.
Said said_write(const WriteFailed& failure) {
  Said s = said_write_stop(failure);
  if (failure.result.outcome.kind != OutcomeKind::BackupFailed) {
    s.text += QString("Copia di sicurezza: %1\n").arg(failure.backup.isEmpty() ? QString("nessuna") : failure.backup);
  }
  return s;
}

Said said_report(const ReportRefused& refused) {
  if (refused.not_regular) {
    return {exit_code::refused, own(file_error_text({.fault = FileFault::NotRegularTarget, .path = refused.path}))};
  }
  if (refused.other_columns) {
    return {exit_code::usage,
            own(QString("Il rapporto %1 ha altre colonne o un altro separatore: sceglierne un altro").arg(refused.path))};
  }
  return {exit_code::usage, own(QString("Impossibile scrivere il rapporto %1: %2").arg(refused.path, refused.reason))};
}

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

}  // namespace

Said said(const Failure& failure) {
  return std::visit(
      Overloaded{
          [](const UsageError& f) { return Said{exit_code::usage, own(f.message)}; },
          [](const FileRefused& f) {
            return Said{exit_code::refused, own(f.path + ": " + settings_refusal_text(f.refusal))};
          },
          [](const FileNotSaved& f) { return Said{exit_code::refused, own(file_error_text(f.error))}; },
          [](const TextRefused& f) { return Said{exit_code::refused, own(settings_refusal_text(f.refusal))}; },
          [](const SettingsRefused& f) {
            return Said{exit_code::refused, refusal_text(f.refusal) + '\n' + nothing_sent + '\n'};
          },
          [](const ConnectFailed& f) { return said_connect(f); },
          [](const UntrustedRead&) { return Said{exit_code::verify, message_read_error + '\n'}; },
          [](const ReadOutOfStep&) { return Said{exit_code::verify, message_read_error + '\n' + nothing_sent + '\n'}; },
          [](const WriteFailed& f) { return said_write(f); },
          [](const TraceFailed& f) {
            // Like any save onto a pipe or a device: refused, nothing done.
            const int exit = f.error.fault == FileFault::NotRegularTarget ? exit_code::refused : exit_code::usage;
            return Said{exit, own(file_error_text(f.error))};
          },
          [](const ReportRefused& f) { return said_report(f); },
          [](const FactorySetRefused& f) {
            return Said{exit_code::refused,
                        QString("Il trasmettitore letto è %1: i valori di fabbrica %2 non sono stati caricati "
                                "(--force per caricarli comunque)\n")
                            .arg(f.unit, f.set)};
          },
          [](const BackupsUnreadable& f) { return Said{exit_code::refused, own(file_error_text(f.error))}; },
      },
      failure);
}

QString checksum_rewritten_note() {
  return QStringLiteral("Somma di controllo della memoria errata: la programmazione la riscrive\n");
}

}  // namespace quarn::cli
