// The Win32 serial link against quarn-emulator behind a COM port of Wine
// (scripts/windows/with-emulator.sh). Each test runs under the emulator
// configuration that tests/windows/CMakeLists.txt gives it.

#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "link/win32_port_failure.h"
#include "link/win32_serial_link.h"
#include "tests/windows/com_emulator.h"

#include <QSignalSpy>
#include <QTest>

using namespace quarn;
using namespace quarn::test;

Q_DECLARE_METATYPE(quarn::PortError)

namespace {

// Waits for the next byte the emulator sends and takes it.
std::optional<char> next_byte(Win32SerialLink& link) {
  QSignalSpy arrived(&link, &SerialLink::bytesArrived);
  if (link.bytesWaiting() == 0 && !arrived.wait(5000)) return std::nullopt;
  const QByteArray byte = link.read();
  if (byte.size() != 1) return std::nullopt;
  return byte[0];
}

}  // namespace

class TestWin32SerialLink : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qRegisterMetaType<PortError>(); }

  // The ready K, the answer, every cell read one step at a time, the end
  // letter: all of it leaves and arrives whole.
  void talksToTheTransmitterAndClosesCleanly() {
    Win32SerialLink link;
    link.setPortNumber(emulator_com());
    QSignalSpy lost(&link, &SerialLink::lost);
    const auto refused = link.open();
    QVERIFY2(!refused, qPrintable(refused ? refused->description : QString()));
    QCOMPARE(next_byte(link), std::optional<char>('K'));
    link.write("U");
    const MemoryImage factory = factory_default_cells(Band::Uhf, Generation::New);
    QByteArray steps("U");
    for (int address = 0; address < read_count; ++address) {
      const QByteArray step = QByteArray("R") + char(address);
      link.write(step);
      steps += step;
      QCOMPARE(next_byte(link), std::optional<char>(char(factory[std::size_t(address)])));
    }

    // The end letter goes right before the close, as the session sends it.
    link.write("E");
    link.close();
    QVERIFY(!link.isOpen());
    QCOMPARE(link.read(), QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(emulator_traffic(), steps + 'E', 5000);
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);

    // Closed, the port opens again.
    QVERIFY(!link.open());
    link.close();
  }

  // The emulator goes away in the middle of the read, as an adapter pulled
  // out: one loss, the port closed, nothing waiting forever.
  void aDeviceThatGoesAwayIsALoss() {
    Win32SerialLink link;
    link.setPortNumber(emulator_com());
    QSignalSpy lost(&link, &SerialLink::lost);
    QVERIFY(!link.open());
    QCOMPARE(next_byte(link), std::optional<char>('K'));
    link.write("U");
    for (int address = 0; address <= 10; ++address) link.write(QByteArray("R") + char(address));
    QVERIFY(lost.wait(10000));
    QCOMPARE(lost.count(), 1);
    const auto error = lost.first().first().value<PortError>();
    QCOMPARE(error.description, QString("dispositivo scollegato: COM%1").arg(emulator_com()));
    QVERIFY(error.number != 0);
    QVERIFY(!link.isOpen());
    QCOMPARE(link.bytesWaiting(), 0);
  }

  // A port that does not open gives Windows' error number and its text in
  // the system's language (Wine's Italian), then the device.
  void portsThatDoNotOpenSayWhy_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("variable");  // QUARN_COM<port>, when set
    QTest::addColumn<QString>("error");
    QTest::newRow("mapped to nothing") << nothing_com() << QByteArray()
                                       << QString("1 Funzione non valida: COM%1").arg(nothing_com());
    QTest::newRow("not mapped") << unmapped_com() << QByteArray() << QString("2 File non trovato: COM%1").arg(unmapped_com());
    QTest::newRow("a device path from the variable")
        << 2 << QByteArray("\\\\.\\COM") + QByteArray::number(unmapped_com())
        << QString("2 File non trovato: \\\\.\\COM%1").arg(unmapped_com());
  }
  void portsThatDoNotOpenSayWhy() {
    QFETCH(int, port);
    QFETCH(QByteArray, variable);
    QFETCH(QString, error);
    const QByteArray name = "QUARN_COM" + QByteArray::number(port);
    if (!variable.isEmpty()) qputenv(name.constData(), variable);
    Win32SerialLink link;
    link.setPortNumber(port);
    const auto refused = link.open();
    qunsetenv(name.constData());
    QVERIFY(refused);
    QCOMPARE(QString("%1 %2").arg(refused->number).arg(refused->description), error);
    QVERIFY(!link.isOpen());
  }

  // How Windows' errors read. Wine lets a second program open a COM port, so
  // the refusal of a port in use is only seen here, by its number.
  void windowsErrorsAreWorded_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("description");
    QTest::newRow("access denied: held by another program")
        << 5 << "porta occupata da un altro programma: COM3";
    QTest::newRow("sharing violation") << 32 << "porta occupata da un altro programma: COM3";
    QTest::newRow("the system's text, without its period") << 2 << "File non trovato: COM3";
    QTest::newRow("a number the system has no text for") << 0x7123 << "errore di sistema 28963: COM3";
  }
  void windowsErrorsAreWorded() {
    QFETCH(int, error);
    QFETCH(QString, description);
    const PortError failure = win32_port_failure(error, "COM3");
    QCOMPARE(failure.number, error);
    QCOMPARE(failure.description, description);
  }
};

QTEST_GUILESS_MAIN(TestWin32SerialLink)
#include "test_win32_serial_link.moc"
