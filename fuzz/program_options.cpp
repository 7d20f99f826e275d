// parse_program_options of any command line: never crashes; a command line
// of "--demo" alone (or nothing) starts the window; anything else either
// starts it or answers with text: help or version on standard output with
// status 0, or a usage error on standard error with status 2 that names the
// program and points to --help.
//
// Input: the arguments after the program's name, separated by NUL bytes.

#include "app/program_options.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QStringList arguments{QStringLiteral("quarn-configurator")};
  if (size > 0) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& argument : bytes.split('\0')) arguments << QString::fromUtf8(argument);
  }
  const auto result = quarn::parse_program_options(arguments, QStringLiteral("1.0.4"));

  bool only_demo = true;
  for (qsizetype i = 1; i < arguments.size(); ++i) only_demo = only_demo && arguments[i] == QStringLiteral("--demo");
  if (only_demo) {
    FUZZ_CHECK(std::holds_alternative<quarn::ProgramOptions>(result));
    FUZZ_CHECK(std::get<quarn::ProgramOptions>(result).demo == (arguments.size() > 1));
    return 0;
  }
  if (const auto* exit = std::get_if<quarn::ProgramExit>(&result)) {
    FUZZ_CHECK(!exit->text.isEmpty() && exit->text.endsWith(u'\n'));
    if (exit->exit_code == 0) {
      FUZZ_CHECK(!exit->to_stderr);
      FUZZ_CHECK(exit->text.startsWith(QStringLiteral("Uso: ")) || exit->text == QStringLiteral("quarn-configurator 1.0.4\n"));
    } else {
      FUZZ_CHECK(exit->exit_code == quarn::usage_error_status && exit->to_stderr);
      FUZZ_CHECK(exit->text.startsWith(QStringLiteral("quarn-configurator: ")) &&
                 exit->text.endsWith(QStringLiteral("quarn-configurator --help\n")));
    }
  }
  return 0;
}
