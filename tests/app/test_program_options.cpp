// The configurator's command line: what it accepts, and how the built program
// answers --help, --version and mistakes on a machine without a display.

#include "app/program_options.h"

#include <QProcess>
#include <QTest>

using namespace quarn;

namespace {

QStringList command(const QString& line) {
  QStringList arguments{QStringLiteral("quarn-configurator")};
  if (!line.isEmpty()) arguments += line.split(u' ');
  return arguments;
}

}  // namespace

class TestProgramOptions : public QObject {
  Q_OBJECT

 private slots:
  void startsTheWindow_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QString>("settings");  // the file the window opens at once
    QTest::newRow("nothing") << "" << false << "" << "";
    QTest::newRow("--demo") << "--demo" << true << "" << "";
    QTest::newRow("-demo") << "-demo" << true << "" << "";
    // Qt's window options stay usable although they are read before Qt sees them.
    QTest::newRow("Qt options around --demo") << "-platform offscreen --demo -reverse" << true << "" << "";
    QTest::newRow("Qt option with =") << "-style=fusion" << false << "" << "";
    QTest::newRow("Qt option, two dashes") << "--stylesheet quarn.qss" << false << "" << "";
    QTest::newRow("--trace FILE") << "--demo --trace /tmp/t.txt" << true << "/tmp/t.txt" << "";
    QTest::newRow("--trace=FILE") << "--trace=quarn.log" << false << "quarn.log" << "";
    QTest::newRow("a settings file") << "cantiere.json" << false << "" << "cantiere.json";
    QTest::newRow("a settings file after options") << "--demo -style fusion /tmp/backups/u.json" << true << ""
                                                   << "/tmp/backups/u.json";
  }
  void startsTheWindow() {
    QFETCH(QString, line);
    QFETCH(bool, demo);
    QFETCH(QString, trace);
    QFETCH(QString, settings);
    const auto parsed = parse_program_options(command(line), QStringLiteral("9.8.7"));
    const auto* options = std::get_if<ProgramOptions>(&parsed);
    if (!options) QFAIL(qPrintable(std::get<ProgramExit>(parsed).text));
    QCOMPARE(options->demo, demo);
    QCOMPARE(options->trace_file, trace);
    QCOMPARE(options->settings_file, settings);
  }

  void answersWithText_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("toStderr");
    QTest::addColumn<QString>("expected");  // a part of the text
    QTest::newRow("--help") << "--help" << 0 << false << "  --demo ";
    QTest::newRow("-h") << "-h" << 0 << false << "Uso: quarn-configurator";
    QTest::newRow("--help with --demo") << "--demo --help" << 0 << false << "-v, --version";
    QTest::newRow("--version") << "--version" << 0 << false << "quarn-configurator 9.8.7\n";
    QTest::newRow("-v") << "-v" << 0 << false << "quarn-configurator 9.8.7\n";
    QTest::newRow("unknown long") << "--demo --porta 3" << 2 << true << "opzione sconosciuta: --porta\n";
    QTest::newRow("unknown short") << "-x" << 2 << true << "opzione sconosciuta: -x\n";
    QTest::newRow("two unknown") << "--a --bb" << 2 << true << "opzioni sconosciute: -a, --bb\n";
    QTest::newRow("unknown beats --help") << "--help --bb" << 2 << true << "--bb";
    QTest::newRow("a second file") << "a.json COM1" << 2 << true << "argomento non previsto: COM1\n";
    QTest::newRow("value to a flag") << "--demo=1" << 2 << true << "demo";
    QTest::newRow("Qt option without value") << "-platform" << 2 << true << "platform";
    QTest::newRow("--trace without its file") << "--trace" << 2 << true << "trace";
  }
  void answersWithText() {
    QFETCH(QString, line);
    QFETCH(int, exitCode);
    QFETCH(bool, toStderr);
    QFETCH(QString, expected);
    const auto parsed = parse_program_options(command(line), QStringLiteral("9.8.7"));
    const auto* done = std::get_if<ProgramExit>(&parsed);
    QVERIFY(done);
    QCOMPARE(done->exit_code, exitCode);
    QCOMPARE(done->to_stderr, toStderr);
    QVERIFY2(done->text.contains(expected), qPrintable(done->text));
    if (toStderr) QVERIFY(done->text.endsWith("Per l'elenco delle opzioni: quarn-configurator --help\n"));
  }

  // The built program with neither an X nor a Wayland display: a QApplication
  // would abort it (status 134), so each answer shows that none was built.
  void builtProgramAnswersWithoutDisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");  // a part of standard output; empty: none at all
    QTest::addColumn<QString>("err");  // likewise for standard error
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Uso: quarn-configurator [--demo] [--trace FILE] [IMPOSTAZIONI]\n" << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "quarn-configurator " QUARN_VERSION "\n" << "";
    QTest::newRow("unknown option") << QStringList{"--demo", "--nessuna"} << 2 << ""
                                    << "quarn-configurator: opzione sconosciuta: --nessuna\n";
  }
  void builtProgramAnswersWithoutDisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QUARN_TRACE"}) environment.remove(name);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUARN_CONFIGURATOR_PATH), arguments);
    if (!program.waitForFinished(10000)) {
      program.kill();
      program.waitForFinished();
      QFAIL("the program did not end by itself");
    }
    // Windows ends the printed lines with CR LF.
    const QString stdout_text = QString::fromLocal8Bit(program.readAllStandardOutput()).replace("\r\n", "\n");
    const QString stderr_text = QString::fromLocal8Bit(program.readAllStandardError()).replace("\r\n", "\n");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == exitCode, qPrintable(QString::number(program.exitCode()) + ' ' + stderr_text));
    if (out.isEmpty())
      QCOMPARE(stdout_text, QString());
    else
      QVERIFY2(stdout_text.contains(out), qPrintable(stdout_text));
    if (err.isEmpty())
      QCOMPARE(stderr_text, QString());
    else
      QVERIFY2(stderr_text.contains(err), qPrintable(stderr_text));
  }
};

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "test_program_options.moc"
