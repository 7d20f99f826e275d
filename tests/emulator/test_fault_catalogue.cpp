// The emulator's fault catalogue against those who go through it: every
// fault is an option of quarn-emulator that switches on what the catalogue
// says, and has its row in the fault matrix.

#include "emulator/fault_catalogue.h"
#include "emulator/tool/emulator_options.h"
#include "tests/matrix/fault_rows.h"

#include <QFile>
#include <QTest>

#include <algorithm>

using namespace quarn;
using namespace quarn::test;

namespace {

bool switches_on_only(const FaultRow& row, const EmulatorFault& fault) {
  return row.switched_on.size() == 1 && row.switched_on.front() == fault.name;
}

}  // namespace

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

  void eachFaultHasItsMatrixRow_data() { eachFault_data(); }
  // Alone in exactly one row; one that only changes others (coming back)
  // alone in none but with another in some.
  void eachFaultHasItsMatrixRow() {
    QFETCH(int, index);
    const EmulatorFault& fault = emulator_faults()[std::size_t(index)];
    const std::vector<FaultRow> rows = fault_rows();
    const auto alone = std::count_if(rows.begin(), rows.end(), [&](const FaultRow& r) { return switches_on_only(r, fault); });
    const bool with_others = std::any_of(rows.begin(), rows.end(), [&](const FaultRow& r) {
      return r.switched_on.size() > 1 && std::count(r.switched_on.begin(), r.switched_on.end(), fault.name) == 1;
    });
    const auto& outside = faults_outside_the_matrix();
    if (std::count(outside.begin(), outside.end(), fault.name)) {
      QCOMPARE(alone, 0);
    } else if (fault.acts_alone) {
      QCOMPARE(alone, 1);
    } else {
      QCOMPARE(alone, 0);
      QVERIFY(with_others);
    }
  }

  // Each row names catalogue faults, and a step where one of them takes it.
  void matrixRowsNameCatalogueFaults() {
    for (const FaultRow& row : fault_rows()) {
      bool takes_address = false;
      for (const std::string_view name : row.switched_on) {
        const EmulatorFault* fault = emulator_fault_named(name);
        QVERIFY2(fault, row.name);
        takes_address = takes_address || fault->takes_address();
      }
      QVERIFY2(takes_address == (row.address >= 0), row.name);
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
