// quarnctl's argument parsing on its own: which argument is the command and
// which are its files, whatever they look like; what each command takes and
// refuses; the values options take; the help of one command.

#include "cli/command_line.h"

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

using namespace quarn::cli;

class TestArguments : public QObject {
  Q_OBJECT

 private slots:
  // An empty argument is kept where it stands: as a file it is a file name
  // (refused later when opened), as the command it is a missing command,
  // never skipped so that the next argument becomes the command. After "--"
  // an argument that looks like an option is a file.
  void argumentsKeepTheirPlace_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("command");  // empty: a usage error
    QTest::addColumn<QStringList>("positional");
    QTest::newRow("empty command before read") << QStringList{"", "read"} << "" << QStringList{};
    QTest::newRow("empty command before program FILE")
        << QStringList{"", "program", "site.json"} << "" << QStringList{};
    QTest::newRow("empty file of diff") << QStringList{"diff", "", "b.json"} << "diff" << QStringList{"", "b.json"};
    QTest::newRow("option value, then the command")
        << QStringList{"--port", "", "program", "-"} << "program" << QStringList{"-"};
    QTest::newRow("a file named as an option") << QStringList{"check", "--", "--json"} << "check" << QStringList{"--json"};
  }
  void argumentsKeepTheirPlace() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, command);
    QFETCH(QStringList, positional);
    const auto parsed = parse_arguments(QStringList{"quarnctl"} + arguments);
    if (command.isEmpty()) {
      QVERIFY(std::holds_alternative<UsageError>(parsed));
      QCOMPARE(std::get<UsageError>(parsed).message, QString("Manca il comando (quarnctl --help)"));
      return;
    }
    QVERIFY(std::holds_alternative<Arguments>(parsed));
    QCOMPARE(std::get<Arguments>(parsed).command, command);
    QCOMPARE(std::get<Arguments>(parsed).positional, positional);
  }

  // An option another command takes, and arguments more or fewer than the
  // command takes, are refused with the reason.
  void refusesWhatTheCommandDoesNotTake_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("read --old") << QStringList{"read", "--old"} << "--old non vale per read (quarnctl read --help)";
    QTest::newRow("ports --json") << QStringList{"ports", "--json"} << "--json non vale per ports (quarnctl ports --help)";
    QTest::newRow("check --json") << QStringList{"check", "a.json", "--json"}
                                  << "--json non vale per check (quarnctl check --help)";
    QTest::newRow("check with a port") << QStringList{"check", "a.json", "--port", "1"}
                                       << "--port non vale per check (quarnctl check --help)";
    QTest::newRow("ports extra") << QStringList{"ports", "extra"}
                                 << "ports: argomento non previsto \"extra\" (quarnctl ports --help)";
    QTest::newRow("program, two files") << QStringList{"program", "a.json", "b.json"}
                                        << "program: argomento non previsto \"b.json\" (quarnctl program --help)";
    QTest::newRow("program, no file") << QStringList{"program", "--port", "1"} << "program vuole un file di impostazioni";
    QTest::newRow("diff, one file") << QStringList{"diff", "a.json"} << "diff vuole due file di impostazioni (o \"device\")";
    QTest::newRow("defaults, no band") << QStringList{"defaults", "lf"} << "defaults vuole uhf oppure vhf";
    QTest::newRow("batch without a first code") << QStringList{"batch", "a.json"} << "batch vuole --code-from N";
    QTest::newRow("batch past the last code") << QStringList{"batch", "a.json", "--code-from", "65535", "--count", "2"}
                                              << "--code-from + --count supera il codice 65535";
    QTest::newRow("--set without a key") << QStringList{"check", "a.json", "--set", "=1"}
                                         << "--set vuole CHIAVE=VALORE, non \"=1\"";
  }
  void refusesWhatTheCommandDoesNotTake() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const auto parsed = parse_arguments(QStringList{"quarnctl"} + arguments);
    QVERIFY(std::holds_alternative<UsageError>(parsed));
    QCOMPARE(std::get<UsageError>(parsed).message, message);
  }

  // An option Qt's parser refuses is named as written, whatever language
  // Qt's own texts are in: here a translation that replaces them all.
  void refusesAnOptionAsWritten_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no value at the end") << QStringList{"read", "--port"} << "--port vuole un valore";
    QTest::newRow("one dash, no value") << QStringList{"read", "-o"} << "-o vuole un valore";
    QTest::newRow("a flag given a value") << QStringList{"read", "--json=x"} << "--json non vuole un valore";
    QTest::newRow("one dash, a flag given a value") << QStringList{"read", "-json="} << "-json non vuole un valore";
    QTest::newRow("the last value fault") << QStringList{"read", "--json=x", "--timeout"} << "--timeout vuole un valore";
    QTest::newRow("unknown before a value fault") << QStringList{"read", "--json=x", "-bogus=1"}
                                                  << "Opzione sconosciuta \"--bogus\"";
    QTest::newRow("no name") << QStringList{"-=x", "read"} << "Opzione sconosciuta \"--\"";
  }
  void refusesAnOptionAsWritten() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    struct QtTextsTranslated : QTranslator {
      bool isEmpty() const override { return false; }
      QString translate(const char* context, const char*, const char*, int) const override {
        return qstrcmp(context, "QCommandLineParser") == 0 ? QStringLiteral("(tradotto)") : QString();
      }
    } translated;
    QCoreApplication::installTranslator(&translated);
    const auto parsed = parse_arguments(QStringList{"quarnctl"} + arguments);
    QCoreApplication::removeTranslator(&translated);
    QVERIFY(std::holds_alternative<UsageError>(parsed));
    QCOMPARE(std::get<UsageError>(parsed).message, message);
  }

  // `quarnctl COMMAND --help` names that command's options and no other's.
  void helpOfACommandShowsItsOptions_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("not_shown");
    QTest::newRow("program") << "program" << QStringList{"--set", "--no-backup", "--port", "--trace"}
                             << QStringList{"--json", "--code-from", "--old"};
    QTest::newRow("read") << "read" << QStringList{"--output", "--json", "--timeout"}
                          << QStringList{"--set", "--no-backup"};
    QTest::newRow("batch") << "batch" << QStringList{"--code-from", "--separator", "--stop-on-error"}
                           << QStringList{"--json", "--old"};
    QTest::newRow("ports") << "ports" << QStringList{"--help"} << QStringList{"--port", "--json"};
  }
  void helpOfACommandShowsItsOptions() {
    QFETCH(QString, command);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, not_shown);
    const auto parsed = parse_arguments({"quarnctl", command, "--help"});
    QVERIFY(std::holds_alternative<Answer>(parsed));
    const QString text = std::get<Answer>(parsed).text;
    QVERIFY2(text.startsWith("Uso: quarnctl " + command), qPrintable(text));
    for (const QString& option : shown) QVERIFY2(text.contains(option), qPrintable(option));
    for (const QString& option : not_shown) QVERIFY2(!text.contains(option), qPrintable(option));
  }

  // --port as a Linux or a Windows user writes it: a Com number, or a device
  // named outright.
  void portChoices_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");  // 0: a usage error
    QTest::addColumn<QString>("device");
    QTest::newRow("number") << "3" << 3 << "";
    QTest::newRow("COM3") << "COM3" << 3 << "";
    QTest::newRow("Com 8") << "Com 8" << 8 << "";
    QTest::newRow("Linux device") << "/dev/ttyUSB0" << 1 << "/dev/ttyUSB0";
    QTest::newRow("Windows device path") << "\\\\.\\COM12" << 1 << "\\\\.\\COM12";
    QTest::newRow("Com 0") << "0" << 0 << "";
#ifdef Q_OS_WIN
    QTest::newRow("COM above 8 is a Windows port") << "COM12" << 1 << "COM12";
#else
    QTest::newRow("Com above 8") << "COM12" << 0 << "";
#endif
    QTest::newRow("a word") << "seriale" << 0 << "";
  }
  void portChoices() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, device);
    const auto choice = port_choice_of(text);
    if (number == 0) {
      QVERIFY(std::holds_alternative<UsageError>(choice));
      return;
    }
    QVERIFY(std::holds_alternative<PortChoice>(choice));
    QCOMPARE(std::get<PortChoice>(choice).number, number);
    QCOMPARE(std::get<PortChoice>(choice).device, device);
  }

  // The batch report's separator is one character that CSV can quote around.
  void separatorIsOneQuotableCharacter_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("separator");  // empty: refused
    QTest::newRow("semicolon") << ";" << ";";
    QTest::newRow("tab") << "\t" << "\t";
    QTest::newRow("two characters") << ";;" << "";
    QTest::newRow("double quote") << "\"" << "";
    QTest::newRow("empty") << "" << "";
  }
  void separatorIsOneQuotableCharacter() {
    QFETCH(QString, value);
    QFETCH(QString, separator);
    const auto parsed = parse_arguments({"quarnctl", "batch", "a.json", "--code-from", "1", "--separator", value});
    if (separator.isEmpty()) {
      QVERIFY(std::holds_alternative<UsageError>(parsed));
      return;
    }
    QVERIFY(std::holds_alternative<Arguments>(parsed));
    QCOMPARE(std::get<Arguments>(parsed).separator, separator.at(0));
  }
};

QTEST_GUILESS_MAIN(TestArguments)
#include "test_arguments.moc"
