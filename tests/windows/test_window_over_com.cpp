// The main window on the Win32 serial link, against quarn-emulator behind a
// COM port of Wine (scripts/windows/with-emulator.sh), driven by the
// controls' names as the technician would drive it. Each test runs under
// the emulator configuration that tests/windows/CMakeLists.txt gives it.

#include "documents/backup_store.h"
#include "link/win32_serial_link.h"
#include "tests/ui/principale_fixture.h"
#include "tests/windows/com_emulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

namespace {

// The window as main() builds it, on the real port, with backups.
struct ComBench {
  ComBench() : backups(folder.path()), session(port), window(session, notifier) {
    session.setBackupHook(backups.hook());
  }
  const PrincipaleControls& c() const { return window.controls(); }
  QString state() const { return c().txb_stato_con->text(); }
  bool idle(int timeout_ms) {
    return run_until([this] { return !window.session().busy(); }, timeout_ms);
  }
  // Picks `com` in the list and presses Connetti once the poll allows it.
  void connectTo(int com) {
    QTRY_COMPARE(state(), state_text::not_connected);
    choose_port(c(), com - 1);
    QTRY_VERIFY(c().Cmd_connetti->isEnabled());
    c().Cmd_connetti->click();
  }
  bool connectAndRead(int com) {
    connectTo(com);
    return run_until([this] { return state() == state_text::connected && !window.session().busy(); }, 15000);
  }
  // Presses a command once the status poll has enabled it, and waits for its end.
  bool press(QPushButton* command, int timeout_ms = 30000) {
    if (!QTest::qWaitFor([command] { return command->isEnabled(); }, 5000)) return false;
    command->click();
    return idle(timeout_ms);
  }

  QTemporaryDir folder;
  BackupStore backups;
  RecordingNotifier notifier;
  Win32SerialLink port;
  TransmitterSession session;
  Principale window;
};

// The write steps "W address value" in `sent`, up to the read that follows.
std::vector<std::pair<int, int>> writes(const QByteArray& sent) {
  std::vector<std::pair<int, int>> found;
  for (qsizetype i = 0; i + 2 < sent.size() && sent[i] == 'W'; i += 3) {
    found.emplace_back(quint8(sent[i + 1]), quint8(sent[i + 2]));
  }
  return found;
}

}  // namespace

class TestWindowOverCom : public QObject {
  Q_OBJECT

 private slots:
  // On a paced line as a real transmitter: read, change the code and
  // Programma, load the UHF set, then TX ends the session with its letter.
  void readsProgramsLoadsAndKeysTheTransmitter() {
    ComBench bench;
    QVERIFY(bench.connectAndRead(emulator_com()));
    QCOMPARE(bench.c().FqTx->text(), QString("460"));
    QCOMPARE(bench.c().Text1->text(), QString("  UHF"));
    QCOMPARE(bench.c().lab_tipo_quarn->text(), QString("New"));
    QCOMPARE(emulator_traffic(), "U" + full_read());

    bench.c().CodiceQuarn->setText("4321");
    qsizetype before = emulator_traffic().size();
    QVERIFY(bench.press(bench.c().cmd_programma));
    QVERIFY(bench.notifier.messages.empty());
    const QByteArray programmed = emulator_traffic().mid(before);
    const auto written = writes(programmed);
    QCOMPARE(written.size(), std::size_t(62));
    QCOMPARE(programmed.mid(3 * 62), full_read());
    QCOMPARE(bench.c().CodiceQuarn->text(), QString("4321"));  // as read back
    QCOMPARE(bench.backups.list().size(), 1);

    before = emulator_traffic().size();
    QVERIFY(bench.press(bench.c().Cmd_init_uhf));
    QVERIFY(bench.notifier.messages.empty());
    const auto factory = writes(emulator_traffic().mid(before));
    QCOMPARE(factory.size(), std::size_t(memory_size));
    QCOMPARE(factory.back(), std::make_pair(memory_size - 1, int('Z')));
    QCOMPARE(bench.c().CodiceQuarn->text(), QString("1"));

    QVERIFY(bench.press(bench.c().Cmd_tx));
    QTRY_COMPARE(bench.state(), state_text::not_connected);
    QVERIFY(!bench.port.isOpen());
    QTRY_COMPARE(emulator_traffic().right(1), QByteArray("Q"));
  }

  // A transmitter that stops acknowledging at cell 10: the run ends with the
  // time-out once its 4 seconds have passed, and writes nothing after it.
  void writesWithoutAcknowledgementEndWithTheTimeOut() {
    ComBench bench;
    QVERIFY(bench.connectAndRead(emulator_com()));
    const qsizetype before = emulator_traffic().size();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(bench.press(bench.c().cmd_programma));
    QVERIFY2(clock.elapsed() >= 4000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bench.notifier.messages, (std::vector{exclamation(message_time_out)}));
    QCOMPARE(writes(emulator_traffic().mid(before)).size(), std::size_t(11));
  }

  // The transmitter goes away in the middle of the read: the port error
  // names the device, the window is free again at once.
  void aDeviceGoneMidReadEndsTheConnect() {
    ComBench bench;
    bench.connectTo(emulator_com());
    QVERIFY(run_until([&] { return !bench.notifier.messages.empty() && !bench.window.session().busy(); }, 15000));
    QCOMPARE(bench.notifier.messages.size(), std::size_t(2));
    QVERIFY2(bench.notifier.messages[0].text.endsWith(QString(" dispositivo scollegato: COM%1").arg(emulator_com())),
             qPrintable(bench.notifier.messages[0].text));
    QCOMPARE(bench.notifier.messages[0].icon, Notifier::Icon::None);
    QCOMPARE(bench.notifier.messages[1], exclamation(message_port_failure));
    QVERIFY(!bench.port.isOpen());
    QTRY_VERIFY(bench.c().Cmd_connetti->isEnabled());
  }

  // A spare byte after cell 5 shifts the read: the read error, and
  // Programma then writes nothing (no read in step has told the type).
  void aSpareByteGivesTheReadErrorAndNothingIsWritten() {
    ComBench bench;
    QVERIFY(bench.connectAndRead(emulator_com()));
    QCOMPARE(bench.notifier.messages, (std::vector{exclamation(message_read_error)}));
    bench.notifier.messages.clear();
    QVERIFY(bench.press(bench.c().cmd_programma));
    QCOMPARE(bench.notifier.messages, (std::vector{exclamation(message_type_unread)}));
    QVERIFY(!emulator_traffic().contains('W'));
  }

  // Connetti on a COM port that does not open: the port error with Windows'
  // number and text (Wine's Italian), then the second box.
  void aPortThatDoesNotOpenShowsTheWindowsError_data() {
    QTest::addColumn<int>("com");
    QTest::addColumn<QString>("error");
    QTest::newRow("mapped to nothing") << nothing_com() << QString("1 Funzione non valida: COM%1").arg(nothing_com());
    QTest::newRow("not mapped (through QUARN_COM8)") << 8 << QString("2 File non trovato: COM%1").arg(unmapped_com());
  }
  void aPortThatDoesNotOpenShowsTheWindowsError() {
    QFETCH(int, com);
    QFETCH(QString, error);
    qputenv("QUARN_COM8", QString("COM%1").arg(unmapped_com()).toLatin1());
    ComBench bench;
    bench.connectTo(com);
    qunsetenv("QUARN_COM8");
    QCOMPARE(bench.notifier.messages,
             (std::vector<RecordingNotifier::Message>{{error, Notifier::Icon::None}, exclamation(message_port_failure)}));
    QCOMPARE(bench.state(), state_text::not_connected);
  }
};

QTEST_MAIN(TestWindowOverCom)
#include "test_window_over_com.moc"
