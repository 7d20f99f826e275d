// The emulator's fault catalogue against those who go through it: every
// fault is an option of quarn-emulator that switches on what the catalogue
// says.

#include "emulator/fault_catalogue.h"
#include "emulator/tool/emulator_options.h"

#include <QFile>
#include <QTest>

using namespace quarn;

class TestFaultCatalogue : public QObject {
  Q_OBJECT

 private slots:
  void eachFault_data() {
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < emulator_faults().size(); ++i) QTest::newRow(emulator_faults()[i].name) << int(i);
  }

  // The option switches on the catalogue's field, and no other fault does.
  void eachFault() {
    QFETCH(int, index);
    const EmulatorFault& fault = emulator_faults()[std::size_t(index)];
    QStringList arguments{"quarn-emulator", "--" + QString::fromLatin1(fault.option)};
    if (fault.takes_address()) arguments << "7";
    const auto parsed = parse_emulator_options(arguments);
    const auto* options = std::get_if<EmulatorOptions>(&parsed);
    if (!options) QFAIL(qPrintable(std::get<EmulatorOptionsStop>(parsed).text));
    TransmitterFaults expected;
    fault.switch_on(expected, 7);
    QVERIFY(expected != TransmitterFaults{});
    QVERIFY(options->faults == expected);
    for (const EmulatorFault& other : emulator_faults()) {
      TransmitterFaults faults;
      other.switch_on(faults, 7);
      QVERIFY2(&other == &fault || faults != expected, other.name);
    }
  }

  // The options in the order and with the words they have always had; the
  // usage line names the program that runs.
  void helpIsUnchanged() {
    const auto parsed = parse_emulator_options({"quarn-emulator", "--help"});
    const QString help = std::get<EmulatorOptionsStop>(parsed).text;
    QFile stored(QFINDTESTDATA("data/quarn-emulator-help.txt"));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(help.section('\n', 1), QString::fromUtf8(stored.readAll()));
  }
};

QTEST_GUILESS_MAIN(TestFaultCatalogue)
#include "test_fault_catalogue.moc"
