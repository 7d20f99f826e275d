#include "cli/command_line.h"

#include "cli/option_faults.h"
#include "cli/setting_words.h"
#include "link/serial_link.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace quarn::cli {
namespace {

struct OptionSyntax {
  Option option;
  QStringList names;    // as the help shows them
  QString value;        // its value's name in the help; empty: a flag
  QString description;  // its lines in the help
};

// The options of the commands that talk to a transmitter, given once in the
// general help rather than with each command.
const std::vector<Option> transmitter_options{Option::Port, Option::Timeout, Option::Trace};

const std::vector<OptionSyntax>& option_syntaxes() {
  static const std::vector<OptionSyntax> options{
      {Option::Port, {"port"}, "P", "\"Com N\", un numero N (1-8) o il percorso del dispositivo (predefinita Com 1)"},
      {Option::Timeout, {"timeout"}, "S", "secondi di attesa del trasmettitore pronto (predefiniti 30)"},
      {Option::Trace, {"trace"}, "FILE", "traccia del traffico nel FILE: byte, aperture, errori, operazioni"},
      {Option::NoBackup, {"no-backup"}, {}, "non salvare la memoria letta prima di scrivere"},
      {Option::Set, {"set"}, "K=V",
       "chiavi: " + set_keys_text() +
           "\nuna volta ciascuna; numeri come nei file: la virgola decimale vale il punto"},
      {Option::Output, {"o", "output"}, "FILE", "scrive un file di impostazioni invece della tabella"},
      {Option::Json, {"json"}, {}, "stampa il file di impostazioni (JSON) invece della tabella"},
      {Option::Old, {"old"}, {}, "i valori di un trasmettitore Old invece che New"},
      {Option::Force, {"force"}, {}, "carica i valori anche se il trasmettitore letto è di un'altra banda o\nun altro tipo"},
      {Option::CodeFrom, {"code-from"}, "N", "il codice della prima unità del lotto (da 0 a 65535)"},
      {Option::Count, {"count"}, "K", "le unità del lotto (predefinito: finché c'è input)"},
      {Option::Report, {"report"}, "CSV", "aggiunge il rapporto del lotto al file CSV"},
      {Option::Separator, {"separator"}, "C",
       "separatore del rapporto CSV del lotto (predefinito ',', ';' per i fogli\ndi calcolo in italiano)"},
      {Option::StopOnError, {"stop-on-error"}, {}, "ferma il lotto alla prima unità non programmata"},
  };
  return options;
}

const OptionSyntax& syntax_of(Option option) {
  for (const OptionSyntax& o : option_syntaxes()) {
    if (o.option == option) return o;
  }
  return option_syntaxes().front();
}

const OptionSyntax* option_named(const QString& name) {
  for (const OptionSyntax& o : option_syntaxes()) {
    if (o.names.contains(name)) return &o;
  }
  return nullptr;
}

bool takes(const CommandSyntax& command, Option option) {
  return std::find(command.options.begin(), command.options.end(), option) != command.options.end();
}

QString dashed(const QString& name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

// "-o FILE", "--json"
QString usage_of(const OptionSyntax& o) {
  return dashed(o.names.first()) + (o.value.isEmpty() ? QString() : u' ' + o.value);
}

// A table row of the help: the first column padded to `width`, the second
// column's further lines under its first; a first column too wide (of one
// line or more) puts the second under it.
QString help_row(const QString& left, const QString& right, int width) {
  const QString indent(width + 2, u' ');
  QString row = QStringLiteral("  ") + QString(left).replace(u'\n', QStringLiteral("\n    "));
  if (left.size() >= width) {
    row += u'\n' + indent;
  } else {
    row += QString(width - left.size(), u' ');
  }
  return row + QString(right).replace(u'\n', u'\n' + indent) + u'\n';
}

// The items, one space apart, in lines of at most `width` characters.
QString wrapped(const QStringList& items, int width) {
  QStringList lines{QString()};
  for (const QString& item : items) {
    if (!lines.back().isEmpty() && lines.back().size() + 1 + item.size() > width) lines << QString();
    lines.back() += (lines.back().isEmpty() ? QString() : QStringLiteral(" ")) + item;
  }
  return lines.join(u'\n');
}

// Each line of `text` wrapped at its words.
QString wrapped(const QString& text, int width) {
  QStringList lines;
  for (const QString& line : text.split(u'\n')) lines << wrapped(line.split(u' ', Qt::SkipEmptyParts), width);
  return lines.join(u'\n');
}

constexpr int option_column = 20;
constexpr int command_column = 30;
constexpr int help_width = 100;

QString option_rows(const std::vector<Option>& options) {
  QString text;
  for (const Option option : options) {
    const OptionSyntax& o = syntax_of(option);
    QStringList names;
    for (const QString& name : o.names) names << dashed(name);
    const QString left = names.join(QStringLiteral(", ")) + (o.value.isEmpty() ? QString() : u' ' + o.value);
    text += help_row(left, wrapped(o.description, help_width - option_column - 2), option_column);
  }
  return text;
}

// The command with its arguments and the options of its own.
QStringList synopsis(const CommandSyntax& c) {
  QStringList items{c.name};
  if (!c.arguments.isEmpty()) items << c.arguments;
  for (const Option option : c.options) {
    if (std::find(transmitter_options.begin(), transmitter_options.end(), option) != transmitter_options.end()) continue;
    const bool required = std::find(c.required.begin(), c.required.end(), option) != c.required.end();
    items << (required ? usage_of(syntax_of(option)) : u'[' + usage_of(syntax_of(option)) + u']');
    if (option == Option::Set) items.back() += QStringLiteral("...");
  }
  return items;
}

std::variant<long long, UsageError> number(const QString& option, const QString& text, long long low, long long high) {
  bool ok = false;
  const long long value = text.toLongLong(&ok);
  if (!ok || value < low || value > high) {
    return UsageError{QString("%1 vuole un numero da %2 a %3, non \"%4\"").arg(option).arg(low).arg(high).arg(text)};
  }
  return value;
}

// The command's arguments: as many as it takes and, where it names words
// ("uhf|vhf"), one of them.
std::optional<UsageError> check_positional(const CommandSyntax& c, const QStringList& positional) {
  if (positional.size() > c.argument_count) {
    return UsageError{QString("%1: argomento non previsto \"%2\" (quarnctl %1 --help)")
                          .arg(c.name, positional.at(c.argument_count))};
  }
  if (positional.size() < c.argument_count) return UsageError{c.name + u' ' + c.wants};
  if (c.arguments.contains(u'|') && !c.arguments.split(u'|').contains(positional.first())) {
    return UsageError{c.name + u' ' + c.wants};
  }
  return std::nullopt;
}

// The option values, each within what it takes.
std::optional<UsageError> read_values(const QCommandLineParser& parser, Arguments& a) {
  const auto value = [&parser](Option o) { return parser.value(syntax_of(o).names.last()); };
  const auto is_set = [&parser](Option o) { return parser.isSet(syntax_of(o).names.last()); };
  a.port = value(Option::Port);
  a.output = value(Option::Output);
  a.report = value(Option::Report);
  a.trace = value(Option::Trace);
  a.sets = parser.values(QStringLiteral("set"));
  a.json = is_set(Option::Json);
  a.no_backup = is_set(Option::NoBackup);
  a.old = is_set(Option::Old);
  a.force = is_set(Option::Force);
  a.stop_on_error = is_set(Option::StopOnError);
  if (is_set(Option::Separator)) {
    const QString separator = value(Option::Separator);
    if (separator.size() != 1 || QStringLiteral("\"\r\n").contains(separator)) {
      return UsageError{QString("--separator vuole un carattere (per esempio ';'), non \"%1\"").arg(separator)};
    }
    a.separator = separator.front();
  }
  struct Limited {
    Option option;
    long long low, high;
  };
  for (const Limited& l : {Limited{Option::Timeout, 1, 100000}, Limited{Option::CodeFrom, 0, 65535},
                           Limited{Option::Count, 1, 100000}}) {
    if (!is_set(l.option)) continue;
    const auto parsed = number("--" + syntax_of(l.option).names.last(), value(l.option), l.low, l.high);
    if (const auto* e = std::get_if<UsageError>(&parsed)) return *e;
    const long long v = std::get<long long>(parsed);
    if (l.option == Option::Timeout) a.timeout_s = int(v);
    if (l.option == Option::CodeFrom) a.code_from = v;
    if (l.option == Option::Count) a.count = int(v);
  }
  if (a.code_from && a.count && *a.code_from + *a.count - 1 > 65535) {
    return UsageError{"--code-from + --count supera il codice 65535"};
  }
  return check_assignments(a.sets);
}

}  // namespace

const CommandSyntax* command_named(const QString& name) {
  for (const CommandSyntax& c : command_syntaxes()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::variant<Arguments, UsageError, Answer> parse_arguments(const QStringList& arguments) {
  QCommandLineParser parser;
  // One dash or two alike, as the window's command line: "-o" and "--old".
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version(QStringLiteral("version"), QString());
  QList<QCommandLineOption> options{help, version};
  for (const OptionSyntax& o : option_syntaxes()) options << QCommandLineOption(o.names, o.description, o.value);
  parser.addOptions(options);
  parser.parse(arguments);  // what it refuses: option_fault below
  const QStringList words = parser.positionalArguments();
  const CommandSyntax* command = words.isEmpty() ? nullptr : command_named(words.first());

  if (parser.isSet(help)) return Answer{command ? command_help_text(*command) : help_text()};
  if (parser.isSet(version)) return Answer{QString("quarnctl %1\n").arg(QStringLiteral(QUARN_VERSION))};
  if (const auto refusal = option_fault(arguments, options)) return usage_error(*refusal);
  // An empty first argument is a missing command, never skipped: the next
  // file would become the command.
  if (words.isEmpty() || words.first().isEmpty()) return UsageError{"Manca il comando (quarnctl --help)"};
  if (!command) return UsageError{QString("Comando sconosciuto \"%1\" (quarnctl --help)").arg(words.first())};
  for (const QString& name : parser.optionNames()) {
    const OptionSyntax* o = option_named(name);
    if (o && !takes(*command, o->option)) {
      return UsageError{QString("%1 non vale per %2 (quarnctl %2 --help)").arg(dashed(name), command->name)};
    }
  }
  Arguments a;
  a.command = command->name;
  a.positional = words.mid(1);
  if (const auto problem = check_positional(*command, a.positional)) return *problem;
  if (const auto problem = read_values(parser, a)) return *problem;
  for (const Option option : command->required) {
    if (!parser.isSet(syntax_of(option).names.last())) {
      return UsageError{QString("%1 vuole %2").arg(command->name, usage_of(syntax_of(option)))};
    }
  }
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
  QString commands;
  QStringList with_transmitter;
  for (const CommandSyntax& c : command_syntaxes()) {
    commands += help_row(wrapped(synopsis(c), help_width - 6), c.summary, command_column);
    if (takes(c, Option::Port)) with_transmitter << c.name;
  }
  std::vector<Option> options;
  for (const OptionSyntax& o : option_syntaxes()) options.push_back(o.option);
  const QString last = with_transmitter.takeLast();
  return QStringLiteral("Uso: quarnctl COMANDO [ARGOMENTI] [OPZIONI]\n"
                        "Configura un trasmettitore Quarn dalla riga di comando.\n"
                        "\n"
                        "Comandi:\n") +
         commands +
         QString("--port, --timeout e --trace valgono per %1 e %2.\n").arg(with_transmitter.join(QStringLiteral(", ")), last) +
         QStringLiteral("\nOpzioni (quarnctl COMANDO --help: solo quelle del comando):\n") + option_rows(options) +
         help_row(QStringLiteral("-h, --help"), QStringLiteral("questo aiuto"), option_column) +
         help_row(QStringLiteral("--version"), QStringLiteral("la versione"), option_column) +
         QStringLiteral(
             "\n"
             "Codici di uscita:\n"
             "  0 fatto   1 differenze (solo diff)   2 uso errato, traccia non scritta o input del lotto\n"
             "  finito prima di --count   3 impostazioni rifiutate o file errato\n"
             "  4 errore della porta o dispositivo perso   5 nessuna risposta o conferma (TIME OUT)\n"
             "  6 verifica fallita o errore di lettura   7 backup non riuscito\n"
             "  128+N interrotto dal segnale N (130 Ctrl+C): un primo segnale lascia finire la scrittura\n"
             "  in corso, un secondo la ferma subito\n");
}

QString command_help_text(const CommandSyntax& command) {
  QString summary = command.summary;
  summary.front() = summary.front().toUpper();
  return QString("Uso: quarnctl %1%2%3\n%4.\n\nOpzioni:\n")
             .arg(command.name, command.arguments.isEmpty() ? QString() : u' ' + command.arguments,
                  command.options.empty() ? QString() : QStringLiteral(" [OPZIONI]"), summary) +
         option_rows(command.options) + help_row(QStringLiteral("-h, --help"), QStringLiteral("questo aiuto"), option_column);
}

}  // namespace quarn::cli
