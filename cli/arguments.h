#pragma once
// quarnctl's command line as data: the command, its files and options, read
// from the arguments alone. Nothing here opens a port or a file, so the
// parsing can be checked (and fuzzed) on its own.

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace quarn::cli {

struct Arguments {
  QString command;
  QStringList positional;
  QStringList sets;
  QString port;
  QString output;
  QString report;
  QString trace;
  QChar separator = u',';  // of the batch report
  bool json = false;
  bool no_backup = false;
  bool old = false;
  bool stop_on_error = false;
  int timeout_s = 30;
  std::optional<long long> code_from;
  std::optional<int> count;

  bool operator==(const Arguments&) const = default;
};

struct UsageError {
  QString message;
};

// Help or version: the text for standard output; the command is done.
struct Answer {
  QString text;
};

// `arguments` as main() receives them, program name first. Options take
// their value as the next argument or after "=".
std::variant<Arguments, UsageError, Answer> parse_arguments(const QStringList& arguments);

// The port --port names: "Com 3", "COM3", "3", or a device path, which the
// command line reaches as "Com 1" (see `device`).
struct PortChoice {
  int number = 1;
  QString device;  // a path given instead of a number; empty otherwise
};
std::variant<PortChoice, UsageError> port_choice_of(const QString& text);

// The text of --help.
QString help_text();

}  // namespace quarn::cli
