// quarn-emulator as a user runs it: the device path on the first line, a
// transmitter behind it, the traffic on standard error, a clean stop.

#include "link/qt_serial_link.h"

#include <QProcess>
#include <QTest>

#include <csignal>

using namespace quarn;

class TestEmulatorTool : public QObject {
  Q_OBJECT

 private slots:
  void servesOnThePrintedDeviceUntilStopped_data() {
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
  }
  void servesOnThePrintedDeviceUntilStopped() {
    QFETCH(int, stopSignal);
    QProcess tool;
    tool.start(QStringLiteral(QUARN_EMULATOR_PATH), {"--no-pacing", "--band", "vhf", "--double-ack"});
    QVERIFY(tool.waitForStarted());
    QTRY_VERIFY(tool.canReadLine());
    const QString device = QString::fromLocal8Bit(tool.readLine()).trimmed();
    QVERIFY(device.startsWith("/dev/"));

    qputenv("QUARN_COM8", device.toLocal8Bit());
    QtSerialLink link;
    link.setPortNumber(8);
    QVERIFY(!link.open());
    link.setReadGranularity(16);
    QTRY_COMPARE(link.bytesWaiting(), 1);
    QCOMPARE(link.read(), QByteArray("K"));
    link.write(QByteArray("UR\x3EW\x25\x00", 6));
    QTRY_COMPARE(link.bytesWaiting(), 3);
    QCOMPARE(link.read(), QByteArray("VKK"));
    link.close();
    qunsetenv("QUARN_COM8");

    QByteArray log;
    QTRY_VERIFY((log += tool.readAllStandardError()).contains("PC -> TX  3E '>'"));
    ::kill(pid_t(tool.processId()), stopSignal);
    QVERIFY(tool.waitForFinished(2000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
  }

  void refusesABadAddress() {
    QProcess tool;
    tool.start(QStringLiteral(QUARN_EMULATOR_PATH), {"--no-ack-from", "64"});
    QVERIFY(tool.waitForFinished(2000));
    QVERIFY(tool.exitCode() != 0);
    QVERIFY(tool.readAllStandardOutput().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestEmulatorTool)
#include "test_emulator_tool.moc"
