#pragma once
// The command line of quarn-configurator, read before any QApplication exists:
// --help, --version and a mistyped option must answer on a machine without a
// display, where building a QApplication aborts the program.

#include <QString>
#include <QStringList>

#include <variant>

namespace quarn {

struct ProgramOptions {
  bool demo = false;  // an emulated transmitter answers on every "Com" port
  QString trace_file;  // --trace: where the serial traffic is written; empty: nowhere
  // The one argument: a settings file the main window opens as if it were
  // dropped on it; empty: none.
  QString settings_file;
};

// The command line asked for text instead of a window (help, version or a
// usage error): print it on standard output or standard error and exit.
struct ProgramExit {
  QString text;
  bool to_stderr = false;
  int exit_code = 0;
};

// Exit status of a command line that cannot be obeyed.
inline constexpr int usage_error_status = 2;

// arguments[0] is the program as it was started. Qt's own window options
// (-platform, -style, -reverse, ...) are accepted and left for QApplication.
std::variant<ProgramOptions, ProgramExit> parse_program_options(const QStringList& arguments, const QString& version);

// argv decoded with the locale's encoding, as QCoreApplication::arguments() would.
QStringList command_line_arguments(int argc, const char* const* argv);

}  // namespace quarn
