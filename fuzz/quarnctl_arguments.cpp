// quarnctl's argument parsing (parse_arguments, port_choice_of) of any
// argument vector: never crashes; help or version only when asked for, with
// their texts; a usage error always says something; parsed arguments name a
// command, hold as many arguments as it takes and only options it takes,
// keep their numbers within the option's limits, and written back in one
// canonical form ("--option=value", then "--", the command and its
// arguments) they parse to the same arguments, so no command, file name or
// value is lost or moved on the way; an empty argument where the command
// goes is refused, never skipped; a port is a number from 1 to 8, or a device
// path kept as typed.
//
// Input: the arguments after the program's name, separated by NUL bytes.

#include "cli/command_line.h"
#include "cli/setting_words.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

using namespace quarn::cli;

namespace {

const CommandSyntax* syntax_of(const QString& command) {
  for (const CommandSyntax& c : command_syntaxes()) {
    if (c.name == command) return &c;
  }
  return nullptr;
}

bool takes(const CommandSyntax& command, Option option) {
  return std::find(command.options.begin(), command.options.end(), option) != command.options.end();
}

QStringList canonical(const Arguments& a) {
  QStringList out{QStringLiteral("quarnctl")};
  const auto valued = [&out](const char* option, const QString& value) {
    if (!value.isEmpty()) out << QLatin1String(option) + u'=' + value;
  };
  valued("--port", a.port);
  valued("--output", a.output);
  valued("--report", a.report);
  valued("--trace", a.trace);
  if (a.separator != u',') out << QStringLiteral("--separator=") + a.separator;
  for (const QString& set : a.sets) out << QStringLiteral("--set=") + set;
  if (a.json) out << QStringLiteral("--json");
  if (a.no_backup) out << QStringLiteral("--no-backup");
  if (a.old) out << QStringLiteral("--old");
  if (a.stop_on_error) out << QStringLiteral("--stop-on-error");
  if (a.timeout_s != 30) out << QStringLiteral("--timeout=%1").arg(a.timeout_s);
  if (a.code_from) out << QStringLiteral("--code-from=%1").arg(*a.code_from);
  if (a.count) out << QStringLiteral("--count=%1").arg(*a.count);
  return out << QStringLiteral("--") << a.command << a.positional;
}

// What each argument would name as an option: its name without dashes and
// value. (An argument after "--", or one that is an option's value, names
// none, so this is what an answer needs, not what it gets.)
QStringList option_names(const QStringList& arguments) {
  QStringList names;
  for (const QString& argument : arguments.mid(1)) {
    if (argument.size() < 2 || !argument.startsWith(u'-')) continue;
    const QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    names << name.left(name.indexOf(u'='));
  }
  return names;
}

void check_answer(const Answer& answer, const QStringList& arguments) {
  const QStringList names = option_names(arguments);
  FUZZ_CHECK(names.contains(QStringLiteral("h")) || names.contains(QStringLiteral("help")) ||
             names.contains(QStringLiteral("version")));
  bool known = answer.text == help_text() || answer.text == QStringLiteral("quarnctl " QUARN_VERSION "\n");
  for (const CommandSyntax& c : command_syntaxes()) known = known || answer.text == command_help_text(c);
  FUZZ_CHECK(known);
}

void check_port(const QString& text) {
  const auto port = port_choice_of(text);
  if (const auto* usage = std::get_if<UsageError>(&port)) {
    FUZZ_CHECK(!usage->message.isEmpty());
    return;
  }
  const PortChoice choice = std::get<PortChoice>(port);
  FUZZ_CHECK(choice.number >= 1 && choice.number <= 8);
  if (!choice.device.isEmpty()) FUZZ_CHECK(choice.number == 1 && choice.device == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QStringList arguments{QStringLiteral("quarnctl")};
  if (size > 0) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& argument : bytes.split('\0')) arguments << QString::fromUtf8(argument);
  }
  const auto parsed = parse_arguments(arguments);

  if (const auto* answer = std::get_if<Answer>(&parsed)) {
    check_answer(*answer, arguments);
    return 0;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    FUZZ_CHECK(!usage->message.isEmpty());
    return 0;
  }
  const Arguments& a = std::get<Arguments>(parsed);
  const CommandSyntax* command = syntax_of(a.command);
  FUZZ_CHECK(command != nullptr);
  FUZZ_CHECK(a.positional.size() == command->argument_count);
  FUZZ_CHECK(a.port.isEmpty() || takes(*command, Option::Port));
  FUZZ_CHECK(!a.json || takes(*command, Option::Json));
  FUZZ_CHECK(a.sets.isEmpty() || takes(*command, Option::Set));
  FUZZ_CHECK(!check_assignments(a.sets));
  FUZZ_CHECK(a.timeout_s >= 1 && a.timeout_s <= 100000);
  FUZZ_CHECK(!a.code_from || (*a.code_from >= 0 && *a.code_from <= 65535));
  FUZZ_CHECK(!a.count || (*a.count >= 1 && *a.count <= 100000));
  FUZZ_CHECK(!a.code_from || !a.count || *a.code_from + *a.count - 1 <= 65535);

  const auto again = parse_arguments(canonical(a));
  FUZZ_CHECK(std::holds_alternative<Arguments>(again));
  FUZZ_CHECK(std::get<Arguments>(again) == a);

  // An empty argument is no command: put before the others, it never
  // disappears from a command line that parsed.
  FUZZ_CHECK(!std::holds_alternative<Arguments>(parse_arguments(QStringList{arguments[0], QString()} + arguments.mid(1))));

  check_port(a.port);
  return 0;
}
