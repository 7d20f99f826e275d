// quarnctl's argument parsing on its own: which argument is the command and
// which are its files, whatever they look like; the values options take.

#include "cli/arguments.h"

#include <QTest>

using namespace quarn::cli;

class TestArguments : public QObject {
  Q_OBJECT

 private slots:
  // An empty argument is kept where it stands: as a file it is a file name
  // (refused later when opened), as the command it is a missing command,
  // never skipped so that the next argument becomes the command.
  void emptyArgumentsKeepTheirPlace_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("command");  // empty: a usage error
    QTest::addColumn<QStringList>("positional");
    QTest::newRow("empty command before read") << QStringList{"", "read"} << "" << QStringList{};
    QTest::newRow("empty command before program FILE")
        << QStringList{"", "program", "site.json"} << "" << QStringList{};
    QTest::newRow("empty file of diff") << QStringList{"diff", "", "b.json"} << "diff" << QStringList{"", "b.json"};
    QTest::newRow("option value, then the command")
        << QStringList{"--port", "", "read", "-"} << "read" << QStringList{"-"};
  }
  void emptyArgumentsKeepTheirPlace() {
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

  // --port as a Linux or a Windows user writes it: a Com number, or a device
  // that becomes Com 1 of the run.
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
    const auto parsed = parse_arguments({"quarnctl", "batch", "--separator", value});
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
