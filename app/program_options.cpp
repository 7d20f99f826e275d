#include "app/program_options.h"

#include <QCommandLineParser>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace quarn {

namespace {

const QString program_name = QStringLiteral("quarn-configurator");

// Options that QApplication reads and removes from the command line itself.
// They are declared here, hidden from the help, so that parsing before the
// QApplication exists does not turn them into errors.
const QStringList qt_options_with_value = {
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),   QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("session"),        QStringLiteral("style"),
    QStringLiteral("stylesheet"),   QStringLiteral("display"),        QStringLiteral("geometry"),
    QStringLiteral("title"),        QStringLiteral("name"),           QStringLiteral("icon"),
};
const QStringList qt_flags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("testability"),
    QStringLiteral("nograb"),  QStringLiteral("dograb"),      QStringLiteral("sync"),
};

QString help_text() {
  return QStringLiteral(
      "Uso: quarn-configurator [--demo] [--trace FILE] [IMPOSTAZIONI]\n"
      "Configuratore per il trasmettitore Quarn: legge, modifica e scrive la sua\n"
      "configurazione attraverso una porta seriale.\n"
      "\n"
      "IMPOSTAZIONI è un file di impostazioni che la finestra principale apre come se\n"
      "vi fosse trascinato: riempie i campi e non scrive nulla nel trasmettitore fino\n"
      "a Programma. Prima di ogni scrittura la memoria letta è salvata nei backup.\n"
      "\n"
      "Opzioni:\n"
      "  --demo         Un trasmettitore emulato (New, UHF) risponde su ogni porta Com;\n"
      "                 i suoi backup restano a parte, in demo-backups.\n"
      "  --trace FILE   Scrive nel FILE ogni byte scambiato con il trasmettitore,\n"
      "                 con le aperture e gli errori della porta e le operazioni.\n"
      "                 Senza l'opzione vale la variabile d'ambiente QUARN_TRACE.\n"
      "  -h, --help     Mostra questo aiuto ed esce.\n"
      "  -v, --version  Mostra la versione ed esce.\n"
      "\n"
      "Sono accettate anche le opzioni di Qt per le finestre (-platform, -style, ...).\n"
      "La porta \"Com N\" apre l'N-esima porta seriale trovata (prima gli adattatori\n"
      "USB, poi le porte native; /dev/ttyS(N-1) se non ce ne sono abbastanza),\n"
      "oppure il dispositivo indicato dalla variabile d'ambiente QUARN_COMN\n"
      "(per esempio QUARN_COM3=/dev/ttyUSB0).\n");
}

ProgramExit usage_error(const QString& message) {
  return {program_name + QStringLiteral(": ") + message + QStringLiteral("\nPer l'elenco delle opzioni: ") +
              program_name + QStringLiteral(" --help\n"),
          true, usage_error_status};
}

}  // namespace

std::variant<ProgramOptions, ProgramExit> parse_program_options(const QStringList& arguments, const QString& version) {
  QCommandLineParser parser;
  // Qt's options are single-dash words; so, then, are ours (-demo works too).
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption show_version({QStringLiteral("v"), QStringLiteral("version")}, QString());
  const QCommandLineOption demo(QStringLiteral("demo"), QString());
  const QCommandLineOption trace(QStringLiteral("trace"), QString(), QStringLiteral("file"));
  parser.addOptions({help, show_version, demo, trace});
  for (const QString& name : qt_options_with_value) {
    QCommandLineOption option(name, QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const QString& name : qt_flags) {
    QCommandLineOption option(name, QString());
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }

  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
      QStringList shown;
      for (const QString& name : unknown) shown << (name.size() == 1 ? u'-' + name : QStringLiteral("--") + name);
      return usage_error((unknown.size() == 1 ? QStringLiteral("opzione sconosciuta: ")
                                              : QStringLiteral("opzioni sconosciute: ")) +
                         shown.join(QStringLiteral(", ")));
    }
    // A missing or unexpected option value: Qt's own wording names the option.
    return usage_error(parser.errorText());
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return usage_error(QStringLiteral("argomento non previsto: ") + files.at(1));
  if (parser.isSet(help)) return ProgramExit{help_text(), false, 0};
  if (parser.isSet(show_version)) return ProgramExit{program_name + u' ' + version + u'\n', false, 0};
  if (parser.isSet(trace) && parser.value(trace).isEmpty()) return usage_error(QStringLiteral("--trace vuole un nome di file"));
  return ProgramOptions{.demo = parser.isSet(demo), .trace_file = parser.value(trace), .settings_file = files.value(0)};
}

QStringList command_line_arguments(int argc, const char* const* argv) {
#ifdef Q_OS_WIN
  // argv is in the ANSI code page, which cannot spell every file name: the
  // system's own UTF-16 command line can.
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    QStringList arguments;
    for (int i = 0; i < count; ++i) arguments << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    return arguments;
  }
#endif
  QStringList arguments;
  arguments.reserve(argc);
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace quarn
