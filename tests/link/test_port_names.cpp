// Which device each "Com" number opens.

#include "link/port_names.h"

#include <QTest>

using namespace quarn;

class TestPortNames : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    for (int port = 1; port <= 8; ++port) qunsetenv(qPrintable(QStringLiteral("QUARN_COM%1").arg(port)));
  }

  void deviceName_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("variable");  // QUARN_COM3; null: not set
    QTest::addColumn<QString>("device");

#ifdef Q_OS_WIN
    QTest::newRow("Com 1 by default") << 1 << QByteArray() << "COM1";
    QTest::newRow("Com 8 by default") << 8 << QByteArray() << "COM8";
    QTest::newRow("empty variable is no choice") << 3 << QByteArray("") << "COM3";
    QTest::newRow("variable of another port") << 4 << QByteArray("/dev/ttyUSB0") << "COM4";
#else
    QTest::newRow("Com 1 by default") << 1 << QByteArray() << "/dev/ttyS0";
    QTest::newRow("Com 8 by default") << 8 << QByteArray() << "/dev/ttyS7";
    QTest::newRow("empty variable is no choice") << 3 << QByteArray("") << "/dev/ttyS2";
    QTest::newRow("variable of another port") << 4 << QByteArray("/dev/ttyUSB0") << "/dev/ttyS3";
#endif
    QTest::newRow("variable names the device") << 3 << QByteArray("/dev/ttyUSB0") << "/dev/ttyUSB0";
  }
  void deviceName() {
    QFETCH(int, port);
    QFETCH(QByteArray, variable);
    QFETCH(QString, device);
    if (!variable.isNull()) qputenv("QUARN_COM3", variable);
    QCOMPARE(device_name_for_port(port), device);
  }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "test_port_names.moc"
