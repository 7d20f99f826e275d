#include "cli/arguments.h"

#include "link/serial_link.h"

#include <QRegularExpression>

namespace quarn::cli {

std::variant<Arguments, UsageError, Answer> parse_arguments(const QStringList& arguments) {
  Arguments a;
  bool command_given = false;
  const auto number = [](const QString& option, const QString& text, long long low, long long high)
      -> std::variant<long long, UsageError> {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) {
      return UsageError{QString("%1 vuole un numero da %2 a %3, non \"%4\"").arg(option).arg(low).arg(high).arg(text)};
    }
    return value;
  };
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString arg = arguments[i];
    if (arg == "-h" || arg == "--help") return Answer{help_text()};
    if (arg == "--version") return Answer{QString("quarnctl %1\n").arg(QStringLiteral(QUARN_VERSION))};
    if (!arg.startsWith('-') || arg == "-") {
      // The first such argument is the command, even when empty (refused
      // below): skipping it would make the next file the command.
      if (!command_given) {
        a.command = arg;
        command_given = true;
      } else {
        a.positional << arg;
      }
      continue;
    }
    QString value;
    bool has_inline = false;
    if (arg.startsWith("--") && arg.contains('=')) {
      value = arg.mid(arg.indexOf('=') + 1);
      arg = arg.left(arg.indexOf('='));
      has_inline = true;
    }
    const QStringList flags{"--json", "--no-backup", "--old", "--stop-on-error"};
    if (flags.contains(arg)) {
      if (has_inline) return UsageError{arg + " non vuole un valore"};
      if (arg == "--json") a.json = true;
      if (arg == "--no-backup") a.no_backup = true;
      if (arg == "--old") a.old = true;
      if (arg == "--stop-on-error") a.stop_on_error = true;
      continue;
    }
    const QStringList valued{"--port", "-o", "--output", "--set", "--timeout", "--trace", "--code-from", "--count", "--report", "--separator"};
    if (!valued.contains(arg)) return UsageError{QString("Opzione sconosciuta \"%1\"").arg(arg)};
    if (!has_inline) {
      if (i + 1 >= arguments.size()) return UsageError{arg + " vuole un valore"};
      value = arguments[++i];
    }
    if (arg == "--port") a.port = value;
    if (arg == "-o" || arg == "--output") a.output = value;
    if (arg == "--set") a.sets << value;
    if (arg == "--trace") a.trace = value;
    if (arg == "--report") a.report = value;
    if (arg == "--separator") {
      if (value.size() != 1 || QStringLiteral("\"\r\n").contains(value)) {
        return UsageError{QString("--separator vuole un carattere (per esempio ';'), non \"%1\"").arg(value)};
      }
      a.separator = value[0];
    }
    if (arg == "--timeout" || arg == "--code-from" || arg == "--count") {
      const long long high = arg == "--code-from" ? 65535 : 100000;
      const auto parsed = number(arg, value, arg == "--code-from" ? 0 : 1, high);
      if (const auto* e = std::get_if<UsageError>(&parsed)) return *e;
      const long long v = std::get<long long>(parsed);
      if (arg == "--timeout") a.timeout_s = int(v);
      if (arg == "--code-from") a.code_from = v;
      if (arg == "--count") a.count = int(v);
    }
  }
  if (a.command.isEmpty()) return UsageError{"Manca il comando (quarnctl --help)"};
  return a;
}

std::variant<PortChoice, UsageError> port_choice_of(const QString& text) {
  if (text.isEmpty()) return PortChoice{};
  static const QRegularExpression com(QStringLiteral("^(?:com\\s*)?(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
  if (const auto match = com.match(text.trimmed()); match.hasMatch()) {
    const int n = match.captured(1).toInt();
#ifdef Q_OS_WIN
    // Windows numbers its ports past 8 (a USB adapter is often COM10 or
    // higher): such a port is named outright, as the window's list cannot.
    if (n > SerialLink::last_port) return PortChoice{1, QStringLiteral("COM%1").arg(n)};
#endif
    if (n < SerialLink::first_port || n > SerialLink::last_port) {
      return UsageError{QString("--port: Com da %1 a %2, non %3").arg(SerialLink::first_port).arg(SerialLink::last_port).arg(n)};
    }
    return PortChoice{n, {}};
  }
  if (text.contains('/') || text.contains('\\')) return PortChoice{1, text};  // /dev/ttyUSB0, \\.\COM12
  return UsageError{QString("--port vuole \"Com N\", un numero o il percorso di un dispositivo, non \"%1\"").arg(text)};
}

QString help_text() {
  return QStringLiteral(
      "Uso: quarnctl COMANDO [OPZIONI]\n"
      "Configura un trasmettitore Quarn dalla riga di comando.\n"
      "\n"
      "Comandi:\n"
      "  ports                         porte seriali, la loro Com nella finestra e il permesso d'uso\n"
      "  read [-o FILE] [--json]       legge il trasmettitore: tabella, file di impostazioni o JSON\n"
      "  program FILE [--set K=V]...   programma il file (con le modifiche) e verifica la rilettura\n"
      "  defaults uhf|vhf [--old]      carica i valori di fabbrica della banda e li verifica\n"
      "  test-tx                       si collega e fa trasmettere una prova\n"
      "  check FILE [--set K=V]...     senza porta: rifiuto o celle che sarebbero scritte\n"
      "  diff A B                      confronta due file (o \"device\"): impostazioni e celle\n"
      "  batch FILE --code-from N [--count K] [--report CSV] [--separator C] [--stop-on-error]\n"
      "                                programma un lotto, un codice per unità a partire da N\n"
      "  backups                       i backup, dal più recente: data, codice, banda, tipo, lettura\n"
      "\n"
      "Opzioni:\n"
      "  --port P        \"Com N\", un numero N (1-8) o il percorso del dispositivo (predefinita Com 1)\n"
      "  --timeout S     secondi di attesa del trasmettitore pronto (predefiniti 30)\n"
      "  --trace FILE    traccia del traffico nel FILE: byte, aperture, errori, operazioni\n"
      "  --no-backup     non salvare la memoria letta prima di scrivere\n"
      "  --separator C   separatore del rapporto CSV del lotto (predefinito ',', ';' per i fogli\n"
      "                  di calcolo in italiano)\n"
      "  --set K=V       chiavi: code, frequency, robbery_time, antifall_time, tx_count, alarm_input,\n"
      "                  battery_input, panic_filter, repeater_code, code_mode (quarn|mono),\n"
      "                  tones (high|low), battery_alarm (on|off, si|no), tx_mode (single|multiple)\n"
      "                  una volta ciascuna; numeri come nei file: la virgola decimale vale il punto\n"
      "  -h, --help      questo aiuto\n"
      "  --version       la versione\n"
      "\n"
      "Codici di uscita:\n"
      "  0 fatto   1 differenze (solo diff)   2 uso errato, traccia non scritta o input del lotto\n"
      "  finito prima di --count   3 impostazioni rifiutate o file errato\n"
      "  4 errore della porta o dispositivo perso   5 nessuna risposta o conferma (TIME OUT)\n"
      "  6 verifica fallita o errore di lettura   7 backup non riuscito\n"
      "  128+N interrotto dal segnale N (130 Ctrl+C): un primo segnale lascia finire la scrittura\n"
      "  in corso, un secondo la ferma subito\n");
}

}  // namespace quarn::cli
