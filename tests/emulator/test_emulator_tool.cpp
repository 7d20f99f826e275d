// quarn-emulator as a user runs it: the device path on the first line, a
// transmitter behind it, the traffic on standard error, a clean stop.

#include "link/qt_serial_link.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quarn;

namespace {

// The ready "K", repeated while no session runs: how many have come depends
// on how fast the test runs, but nothing else comes.
bool readiesArrive(QtSerialLink& link) {
  if (!QTest::qWaitFor([&] { return link.bytesWaiting() > 0; }, 60'000)) return false;
  const QByteArray readies = link.read();
  return readies == QByteArray(readies.size(), 'K');
}

}  // namespace

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
    QVERIFY(readiesArrive(link));
    link.write(QByteArray("UR\x3EW\x25\x00", 6));
    // A ready repeated while the "U" was on its way may come first.
    QByteArray replies;
    QTRY_VERIFY((replies += link.read()).endsWith("VKK"));
    QVERIFY2(QRegularExpression("^K*VKK$").match(QString::fromLatin1(replies)).hasMatch(), replies.constData());
    link.close();
    qunsetenv("QUARN_COM8");

    QByteArray log;
    QTRY_VERIFY((log += tool.readAllStandardError()).contains("PC -> TX  3E '>'"));
    ::kill(pid_t(tool.processId()), stopSignal);
    QVERIFY(tool.waitForFinished(60'000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
  }

  // A device that goes away on reading cell 3 hangs up the port; it comes
  // back on a new pseudo-terminal behind the same link, ready again.
  void goesAwayAndComesBackBehindTheLink() {
    QTemporaryDir dir;
    const QString link_path = dir.filePath("port");
    QProcess tool;
    tool.start(QStringLiteral(QUARN_EMULATOR_PATH),
               {"--no-pacing", "--vanish-at-read", "3", "--come-back", "--link", link_path});
    QVERIFY(tool.waitForStarted());
    QTRY_VERIFY(tool.canReadLine());
    QCOMPARE(QString::fromLocal8Bit(tool.readLine()).trimmed(), link_path);
    const QString first_device = QFileInfo(link_path).symLinkTarget();
    QVERIFY(first_device.startsWith("/dev/"));

    qputenv("QUARN_COM8", link_path.toLocal8Bit());
    QtSerialLink link;
    link.setPortNumber(8);
    QSignalSpy lost(&link, &SerialLink::lost);
    QVERIFY(!link.open());
    link.setReadGranularity(16);
    QVERIFY(readiesArrive(link));
    link.write(QByteArray("UR\x02R\x03", 5));
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!link.isOpen());
    QVERIFY(!link.open());
    QVERIFY(readiesArrive(link));
    link.close();
    qunsetenv("QUARN_COM8");

    QByteArray log;
    QTRY_VERIFY((log += tool.readAllStandardError()).contains("device went away and came back"));
    tool.terminate();
    QVERIFY(tool.waitForFinished(60'000));
    QVERIFY(!QFileInfo::exists(link_path) && !QFileInfo(link_path).isSymLink());  // removed on stopping
  }

  void refusesABadAddress() {
    QProcess tool;
    tool.start(QStringLiteral(QUARN_EMULATOR_PATH), {"--no-ack-from", "64"});
    QVERIFY(tool.waitForFinished(60'000));
    QVERIFY(tool.exitCode() != 0);
    QVERIFY(tool.readAllStandardOutput().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestEmulatorTool)
#include "test_emulator_tool.moc"
