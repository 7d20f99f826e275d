// quarnctl's argument parsing (parse_arguments, port_choice_of) of any
// argument vector: never crashes; help or version only when asked for, with
// their texts; a usage error always says something; parsed arguments keep
// their numbers within the option's limits, and written back in one canonical
// form ("--option=value", flags, command and files first) they parse to the
// same arguments, so no command, file name or value is lost or moved on the
// way; an empty argument where the command goes is refused, never skipped;
// a port is a number from 1 to 8, or a device path kept as typed.
//
// Input: the arguments after the program's name, separated by NUL bytes.

#include "cli/arguments.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

using namespace quarn::cli;

namespace {

QStringList canonical(const Arguments& a) {
  QStringList out{QStringLiteral("quarnctl"), a.command};
  out += a.positional;
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
  out << QStringLiteral("--timeout=%1").arg(a.timeout_s);
  if (a.code_from) out << QStringLiteral("--code-from=%1").arg(*a.code_from);
  if (a.count) out << QStringLiteral("--count=%1").arg(*a.count);
  return out;
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
    const bool asked = arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help")) ||
                       arguments.contains(QStringLiteral("--version"));
    FUZZ_CHECK(asked);
    FUZZ_CHECK(answer->text == help_text() || answer->text == QStringLiteral("quarnctl " QUARN_VERSION "\n"));
    return 0;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    FUZZ_CHECK(!usage->message.isEmpty());
    return 0;
  }
  const Arguments& a = std::get<Arguments>(parsed);
  FUZZ_CHECK(!a.command.isEmpty() && (!a.command.startsWith(u'-') || a.command == QStringLiteral("-")));
  FUZZ_CHECK(a.timeout_s >= 1 && a.timeout_s <= 100000);
  FUZZ_CHECK(!a.code_from || (*a.code_from >= 0 && *a.code_from <= 65535));
  FUZZ_CHECK(!a.count || (*a.count >= 1 && *a.count <= 100000));

  const auto again = parse_arguments(canonical(a));
  FUZZ_CHECK(std::holds_alternative<Arguments>(again));
  FUZZ_CHECK(std::get<Arguments>(again) == a);

  // An empty argument is no command: put before the others, it never
  // disappears from a command line that parsed.
  FUZZ_CHECK(!std::holds_alternative<Arguments>(parse_arguments(QStringList{arguments[0], QString()} + arguments.mid(1))));

  check_port(a.port);
  return 0;
}
