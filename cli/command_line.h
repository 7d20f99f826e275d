#pragma once
// quarnctl's command line as data, read with Qt's parser from the arguments
// alone: the command, its arguments and options. Each command takes its own
// options and its own number of arguments; any other option or argument is
// refused. Nothing here opens a port or a file, so the parsing can be checked
// (and fuzzed) on its own.

#include "cli/usage_error.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace quarn::cli {

enum class Option { Output, Json, Set, Old, Force, CodeFrom, Count, Report, Separator, StopOnError, NoBackup, Port, Timeout, Trace };

struct Arguments {
  QString command;
  QStringList positional;
  QStringList sets;  // each a valid KEY=VALUE, a key at most once
  QString port;
  QString output;
  QString report;
  QString trace;
  QChar separator = u',';  // of the batch report
  bool json = false;
  bool no_backup = false;
  bool old = false;
  bool force = false;  // defaults: load the set although the unit read is of another band or type
  bool stop_on_error = false;
  int timeout_s = 30;
  std::optional<long long> code_from;
  std::optional<int> count;

  bool operator==(const Arguments&) const = default;
};

// Help or version: the text for standard output; the command is done.
struct Answer {
  QString text;
};

// `arguments` as main() receives them, program name first. An option takes
// its value as the next argument or after "="; "--" ends the options.
std::variant<Arguments, UsageError, Answer> parse_arguments(const QStringList& arguments);

struct Invocation;
template <class T>
class Result;
// A command's work, once its command line has been read.
using CommandFunction = Result<int> (*)(const Invocation&);

// One command as the help shows it, the parser holds it to and run() runs it.
struct CommandSyntax {
  QString name;
  QString arguments;   // "FILE", "uhf|vhf", "A B"; empty: none
  int argument_count = 0;
  QString wants;       // what too few arguments lack: "vuole un file di impostazioni"
  QString summary;
  std::vector<Option> options;
  std::vector<Option> required{};
  CommandFunction run = nullptr;
};

// Every command, in the order of the help: the table in commands/command_table.cpp.
const std::vector<CommandSyntax>& command_syntaxes();
// The command of that name; null: none.
const CommandSyntax* command_named(const QString& name);

// The port --port names: "Com 3", "COM3", "3", or a device path.
struct PortChoice {
  int number = 1;
  QString device;  // a device named outright; empty: the one "Com <number>" stands for
};
std::variant<PortChoice, UsageError> port_choice_of(const QString& text);

// The text of --help: the commands with their own options.
QString help_text();
// The text of `quarnctl COMMAND --help`: that command's options only.
QString command_help_text(const CommandSyntax& command);

}  // namespace quarn::cli
