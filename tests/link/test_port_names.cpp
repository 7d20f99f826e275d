// Which device each "Com" number opens, from a port list the test makes up.

#include "link/port_names.h"

#include <QTest>

using namespace quarn;

namespace {

PortInfo adapter(const QString& device, const QString& by_id, const QString& description = "USB UART") {
  return PortInfo{device, description, "Maker", quint16(0x0403), quint16(0x6001), true, by_id};
}
PortInfo native(const QString& device) { return PortInfo{device, {}, {}, std::nullopt, std::nullopt, false, {}}; }

QStringList devices(const std::vector<PortInfo>& ports) {
  QStringList names;
  for (const PortInfo& port : ports) names << port.device;
  return names;
}

}  // namespace

class TestPortNames : public QObject {
  Q_OBJECT

  void useList(std::vector<PortInfo> ports) {
    set_port_lister([ports] { return ports; });
  }

 private slots:
  void init() {
    for (int port = 1; port <= 8; ++port) qunsetenv(qPrintable(QStringLiteral("QUARN_COM%1").arg(port)));
    useList({});
  }
  void cleanup() { set_port_lister(nullptr); }

  // Nothing listed: every entry is the native port it always was.
  void deviceNameWithoutAList_data() {
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
  void deviceNameWithoutAList() {
    QFETCH(int, port);
    QFETCH(QByteArray, variable);
    QFETCH(QString, device);
    if (!variable.isNull()) qputenv("QUARN_COM3", variable);
    QCOMPARE(device_name_for_port(port), device);
  }

  // Adapters first, by their by-id names whatever the device numbers; those
  // without one after them; then native ports by number, not by text.
  void adaptersComeFirstInAStableOrder() {
    const std::vector<PortInfo> listed{
        native("/dev/ttyS10"), adapter("/dev/ttyUSB0", "usb-Prolific_B-if00"), native("/dev/ttyS2"),
        adapter("/dev/ttyACM0", ""), adapter("/dev/ttyUSB1", "usb-FTDI_A-if00-port0")};
    QCOMPARE(devices(ordered_ports(listed)),
             QStringList({"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}));
  }

#ifndef Q_OS_WIN
  // Com N is the N-th port listed; the variable replaces its own entry only;
  // past the list the native default returns.
  void comNumbersFollowTheList() {
    useList({native("/dev/ttyS0"), adapter("/dev/ttyUSB0", "usb-FTDI_A-if00-port0"),
             adapter("/dev/ttyUSB1", "usb-FTDI_B-if00-port0")});
    QCOMPARE(device_name_for_port(1), QString("/dev/ttyUSB0"));
    QCOMPARE(device_name_for_port(2), QString("/dev/ttyUSB1"));
    QCOMPARE(device_name_for_port(3), QString("/dev/ttyS0"));
    QCOMPARE(device_name_for_port(4), QString("/dev/ttyS3"));
    QCOMPARE(device_name_for_port(8), QString("/dev/ttyS7"));

    qputenv("QUARN_COM2", "/dev/pts/7");
    QCOMPARE(device_name_for_port(2), QString("/dev/pts/7"));
    QCOMPARE(device_name_for_port(1), QString("/dev/ttyUSB0"));
    QCOMPARE(device_name_for_port(3), QString("/dev/ttyS0"));
  }

  // The list is asked each time: an adapter plugged in later is found.
  void theListIsAskedAgainEachTime() {
    QCOMPARE(device_name_for_port(1), QString("/dev/ttyS0"));
    useList({adapter("/dev/ttyUSB3", "usb-x")});
    QCOMPARE(device_name_for_port(1), QString("/dev/ttyUSB3"));
  }

  // A port named by its variable opens without listing the system's ports,
  // which takes milliseconds inside the event loop.
  void aVariableNeedsNoList() {
    int listings = 0;
    set_port_lister([&listings] {
      ++listings;
      return std::vector<PortInfo>{};
    });
    qputenv("QUARN_COM5", "/dev/pts/9");
    QCOMPARE(device_name_for_port(5), QString("/dev/pts/9"));
    QCOMPARE(listings, 0);
    QCOMPARE(device_name_for_port(4), QString("/dev/ttyS3"));
    QCOMPARE(listings, 1);
  }

  // The tooltip names the device and what it is, or why it was taken.
  void tooltipsNameTheDeviceAndWhyItWasChosen() {
    const std::vector<PortInfo> ports{adapter("/dev/ttyUSB0", "usb-FTDI", "FT232R USB UART"), native("/dev/ttyS0")};
    QCOMPARE(port_choice_text(1, port_choice(1, ports)), QString("/dev/ttyUSB0 — FT232R USB UART"));
    QCOMPARE(port_choice_text(2, port_choice(2, ports)), QString("/dev/ttyS0 — porta seriale"));
    const QString fallback = port_choice_text(5, port_choice(5, ports));
    QVERIFY2(fallback.startsWith("/dev/ttyS4 — ") && fallback.contains("non rilevata"), qPrintable(fallback));

    qputenv("QUARN_COM3", "/dev/ttyUSB0");
    QCOMPARE(port_choice_text(3, port_choice(3, ports)),
             QString("/dev/ttyUSB0 — FT232R USB UART (scelto con QUARN_COM3)"));
    qputenv("QUARN_COM3", "/dev/pts/4");
    QCOMPARE(port_choice_text(3, port_choice(3, ports)), QString("/dev/pts/4 — scelto con QUARN_COM3"));
  }
#endif
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "test_port_names.moc"
