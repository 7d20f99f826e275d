// The main window through the real serial port: QSerialPort on pseudo-terminals
// served by emulated transmitters, chosen with the port list.

#include "emulator/pty_transmitter.h"
#include "link/qt_serial_link.h"
#include "tests/ui/principale_fixture.h"

using namespace quarn;
using namespace quarn::test;

namespace {

struct PtyDevice {
  explicit PtyDevice(Band band)
      : transmitter(TransmitterModel(factory_default_cells(band, Generation::New)), PrincipaleFixture::unpaced()),
        pty(transmitter) {
    error = pty.open();
  }
  QByteArray sent() const { return traffic_bytes(transmitter.traffic(), TrafficEntry::Direction::ToTransmitter); }
  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> error;
};

void choose_port(const PrincipaleControls& c, int index) {
  c.Cmb_com->setCurrentIndex(index);
  emit c.Cmb_com->activated(index);
}

}  // namespace

class TestPrincipaleSerial : public QObject {
  Q_OBJECT

 private slots:
  void connectChooseAnotherPortAndConnectAgain() {
    PtyDevice uhf(Band::Uhf), vhf(Band::Vhf);
    QVERIFY(!uhf.error && !vhf.error);
    qputenv("QUARN_COM1", uhf.pty.slavePath().toUtf8());
    qputenv("QUARN_COM3", vhf.pty.slavePath().toUtf8());
    RecordingNotifier notifier;
    QtSerialLink port;
    Principale window(port, notifier);
    const auto& c = window.controls();
    const auto connect_and_read = [&] {
      c.Cmd_connetti->click();
      return run_until([&] { return c.txb_stato_con->text() == state_text::connected && !window.session().busy(); },
                       5000);
    };

    QVERIFY(connect_and_read());
    QCOMPARE(c.FqTx->text(), QString("460"));
    QCOMPARE(uhf.sent(), QByteArray("U") + full_read());

    // "Com 3" while open: the port closes and no letter goes out.
    choose_port(c, 2);
    QVERIFY(!port.isOpen());
    QTest::qWait(50);
    QCOMPARE(uhf.sent(), QByteArray("U") + full_read());

    c.txb_stato_con->setText(state_text::not_connected);
    QTRY_VERIFY(c.Cmd_connetti->isEnabled());
    QVERIFY(connect_and_read());
    QCOMPARE(c.FqTx->text(), QString("161"));
    QCOMPARE(c.Text1->text(), QString("  VHF"));

    c.Cmd_disconetti->click();
    QTRY_COMPARE(vhf.sent().right(1), QByteArray("E"));
    QVERIFY(notifier.messages.empty());
  }

  void missingDeviceShowsTheSerialLayersError() {
    qputenv("QUARN_COM5", "/dev/quarn-no-such-device");
    RecordingNotifier notifier;
    QtSerialLink port;
    Principale window(port, notifier);
    QTRY_COMPARE(window.controls().txb_stato_con->text(), state_text::not_connected);
    choose_port(window.controls(), 4);
    window.controls().Cmd_connetti->click();
    QCOMPARE(notifier.messages, (std::vector<RecordingNotifier::Message>{
                                    {"1 No such file or directory", Notifier::Icon::None},
                                    exclamation(message_port_failure)}));
    QCOMPARE(window.controls().txb_stato_con->text(), state_text::not_connected);
  }
};

QTEST_MAIN(TestPrincipaleSerial)
#include "test_principale_serial.moc"
