// The main window through the real serial port: QSerialPort on pseudo-terminals
// served by emulated transmitters, chosen with the port list.

#include "link/port_names.h"
#include "link/qt_serial_link.h"
#include "tests/ui/pty_device.h"

using namespace quarn;
using namespace quarn::test;

class TestPrincipaleSerial : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    set_port_lister(nullptr);
    for (int n = 1; n <= 8; ++n) qunsetenv(qPrintable(QString("QUARN_COM%1").arg(n)));
  }

  // An adapter plugged in after the window opened: the list, when it opens,
  // names it on "Com 1", the items stay as they were, and Com 1 reaches it.
  void comListNamesTheAdapterAndReachesIt() {
    PtyDevice uhf(Band::Uhf);
    QVERIFY(!uhf.error);
    const QString device = uhf.pty.slavePath();
    std::vector<PortInfo> listed;
    set_port_lister([&listed] { return listed; });
    RecordingNotifier notifier;
    QtSerialLink port;
    TransmitterSession session(port);
    Principale window(session, notifier);
    const auto& c = window.controls();
    listed = {{device, "FT232R USB UART", "FTDI", 0x0403, 0x6001, true, "usb-FTDI_A-if00-port0"}};
    c.Cmb_com->showPopup();
    QCOMPARE(c.Cmb_com->itemData(0, Qt::ToolTipRole).toString(), device + " — FT232R USB UART");
    const QString last = c.Cmb_com->itemData(7, Qt::ToolTipRole).toString();
    QVERIFY2(last.startsWith("/dev/ttyS7 — ") && last.contains("non rilevata"), qPrintable(last));
    c.Cmb_com->hidePopup();
    QCOMPARE(c.Cmb_com->count(), 8);
    QCOMPARE(c.Cmb_com->itemText(0), QString("Com 1"));
    QCOMPARE(c.Cmb_com->currentText(), QString("Com 1"));

    c.Cmd_connetti->click();
    QVERIFY(run_until([&] { return c.txb_stato_con->text() == state_text::connected && !window.session().busy(); }, patience_ms));
    QCOMPARE(uhf.sent(), QByteArray("U") + full_read());
    QVERIFY(notifier.messages.empty());
  }

  void connectChooseAnotherPortAndConnectAgain() {
    PtyDevice uhf(Band::Uhf), vhf(Band::Vhf);
    QVERIFY(!uhf.error && !vhf.error);
    qputenv("QUARN_COM1", uhf.pty.slavePath().toUtf8());
    qputenv("QUARN_COM3", vhf.pty.slavePath().toUtf8());
    RecordingNotifier notifier;
    QtSerialLink port;
    TransmitterSession session(port);
    Principale window(session, notifier);
    const auto& c = window.controls();
    const auto connect_and_read = [&] {
      c.Cmd_connetti->click();
      return run_until([&] { return c.txb_stato_con->text() == state_text::connected && !window.session().busy(); },
                       patience_ms);
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
    TransmitterSession session(port);
    Principale window(session, notifier);
    QTRY_COMPARE(window.controls().txb_stato_con->text(), state_text::not_connected);
    choose_port(window.controls(), 4);
    window.controls().Cmd_connetti->click();
    QCOMPARE(notifier.messages, (std::vector<RecordingNotifier::Message>{
                                    {"1 No such file or directory: /dev/quarn-no-such-device", Notifier::Icon::None},
                                    exclamation(message_port_failure)}));
    QCOMPARE(window.controls().txb_stato_con->text(), state_text::not_connected);
  }
};

QTEST_MAIN(TestPrincipaleSerial)
#include "test_principale_serial.moc"
