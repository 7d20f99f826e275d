// Connect, read, Disconetti, TX and ESCI against the emulated transmitter,
// and the decided mends: one link operation at a time, a cancelled connect is
// no port failure, an unplugged adapter ends the session.

#include "tests/ui/principale_fixture.h"

#include <QSignalSpy>

using namespace quarn;
using namespace quarn::test;

namespace {

// The UHF factory memory with some cells changed; a New device's checksum is
// made right again unless the test wants it wrong.
MemoryImage uhf_with(std::initializer_list<std::pair<int, int>> changes) {
  MemoryImage memory = uhf_new();
  for (auto [address, value] : changes) memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
  BlockBytes block{};
  std::copy_n(memory.begin(), block_size, block.begin());
  memory[cell::block_checksum] = compute_block_checksum(block);
  return memory;
}

constexpr int alarm_code_high = cell::alarm_packet + packet_byte::code_high;
constexpr int alarm_code_low = cell::alarm_packet + packet_byte::code_low;
constexpr int alarm_mask = cell::alarm_packet + packet_byte::mask;

// The paced initial read has sent a few of its steps and is still running:
// nothing else can move it on until the event loop runs again.
bool readUnderWay(PrincipaleFixture& f) {
  return run_until([&] { return f.sent().count('R') >= 5; }, patience_ms) && f.window.session().busy();
}

}  // namespace

class TestPrincipaleSession : public QObject {
  Q_OBJECT

 private slots:
  void connectReadsTheUhfFactorySet() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.sent(), QByteArray("U") + full_read());
    const auto& c = f.c();
    QCOMPARE(c.lab_tipo_quarn->text(), QString("New"));
    QCOMPARE(c.CodiceQuarn->text(), QString("1"));
    QCOMPARE(c.FqTx->text(), QString("460"));
    QCOMPARE(c.txb_tmp_rap->text(), QString("30"));
    QCOMPARE(c.txb_amp->text(), QString("60"));
    QCOMPARE(c.Cmb_n_tx_tot->currentText(), QString("5"));
    QVERIFY(c.Opt_toni_alti->isChecked());
    QVERIFY(c.Opt_bat_si->isChecked());
    QVERIFY(c.Opt_tx_mult->isChecked());
    QCOMPARE(c.Cmb_n_ing_all->currentText(), QString("1"));
    QCOMPARE(c.Cmb_N_ing_bat->currentText(), QString("8"));
    QCOMPARE(c.Cmb_tmr_p_all->currentText(), QString("1"));
    QCOMPARE(c.cmb_Monorep->currentText(), QString("0"));
    QVERIFY(c.opt_quarn->isChecked());
    QCOMPARE(c.Text1->text(), QString("  UHF"));
    QVERIFY(f.notifier.messages.empty());
    QCOMPARE(f.notifier.beeps, 0);
    QVERIFY(c.ProgressBar1->isHidden());
    QCOMPARE(f.window.programmingFlag(), 0);
    QCOMPARE(f.window.block().device_type, int(device_type_new));
    QTRY_VERIFY(c.cmd_programma->isEnabled());
  }

  void monoCodeKeepsOnlyTheTwoLowBitsOfTheHighByte() {
    PrincipaleFixture f(uhf_with({{cell::code_mode, 1}, {alarm_code_high, 13}, {alarm_code_low, 44}, {alarm_mask, 16}}));
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.c().CodiceQuarn->text(), QString("300"));
    QCOMPARE(f.c().Cmb_n_ing_all->currentText(), QString("5"));
    QVERIFY(f.c().Opt_mono->isChecked());
  }

  void unknownValuesLeaveTheirFieldsOrBeep() {
    // Mask 3 names no single input; code mode 2 decodes by the Mono rule and
    // beeps; tones 2 beeps; band 0 leaves the band box.
    PrincipaleFixture f(uhf_with({{cell::code_mode, 2}, {alarm_mask, 3}, {cell::tones, 2}, {cell::band, 0}}));
    const auto& c = f.c();
    c.Cmb_n_ing_all->setEditText("7");
    c.Text1->setText("prima");
    c.Opt_toni_bassi->setChecked(true);
    QVERIFY(f.connectAndRead());
    QCOMPARE(c.Cmb_n_ing_all->currentText(), QString("7"));
    QCOMPARE(c.Text1->text(), QString("prima"));
    QVERIFY(c.Opt_toni_bassi->isChecked());
    // No option handler ran after the read stored the unknown values.
    QCOMPARE(f.window.block().cells[cell::tones], 2.0);
    QCOMPARE(f.window.block().cells[cell::code_mode], 2.0);
    QCOMPARE(f.notifier.beeps, 2);
    QCOMPARE(c.CodiceQuarn->text(), QString("1"));
  }

  void checksumMismatchIsShownOnceAndTheFieldsStillFilled() {
    TransmitterFaults faults;
    faults.wrong_checksum = true;
    PrincipaleFixture f(uhf_new(), faults);
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));
    QCOMPARE(f.c().FqTx->text(), QString("460"));
  }

  // A spare byte during the read shifts the cells: the window says so once
  // and changes nothing it holds, neither a field nor the device type and
  // band that the status poll and Programma consult.
  void aReadOutOfStepShowsTheReadErrorAndChangesNothing_data() {
    QTest::addColumn<bool>("double_ready");
    QTest::addColumn<int>("extra_after_read_at");
    QTest::newRow("doubled ready K") << true << -1;
    QTest::newRow("extra byte after cell 5") << false << 5;
    QTest::newRow("extra byte after cell 62") << false << 62;
  }
  void aReadOutOfStepShowsTheReadErrorAndChangesNothing() {
    QFETCH(bool, double_ready);
    QFETCH(int, extra_after_read_at);
    TransmitterFaults faults;
    faults.double_ready = double_ready;
    if (extra_after_read_at >= 0) faults.extra_after_read_at = extra_after_read_at;
    PrincipaleFixture f(uhf_new(), faults);
    f.c().CodiceQuarn->setText("77");
    QTRY_VERIFY(f.c().lab_tipo_quarn->text().isEmpty());  // not connected: the poll empties it
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));
    QCOMPARE(f.c().CodiceQuarn->text(), QString("77"));
    QCOMPARE(f.c().FqTx->text(), QString());
    QCOMPARE(f.c().Text1->text(), QString());
    QCOMPARE(f.c().lab_tipo_quarn->text(), QString());
    QCOMPARE(f.window.block().device_type, 0);
    QCOMPARE(f.window.block().band, 0);
  }

  void anOldDeviceIsNeverChecked() {
    TransmitterFaults faults;
    faults.wrong_checksum = true;
    PrincipaleFixture f(uhf_with({{cell::device_type, 0}}), faults);
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.c().lab_tipo_quarn->text(), QString("Old"));
    QVERIFY(f.notifier.messages.empty());
    // The poll keeps an Old device in Quarn mode.
    f.c().Opt_mono->click();
    QTRY_VERIFY(f.c().opt_quarn->isChecked());
    QCOMPARE(f.window.block().cells[cell::code_mode], 0.0);
    QVERIFY(!f.c().cmb_Monorep->isEnabled());
    QVERIFY(!f.c().Cmb_tmr_p_all->isEnabled());
  }

  void disconettiAndTxEndTheSession_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<char>("end_letter");
    QTest::newRow("Disconetti") << "Cmd_disconetti" << 'E';
    QTest::newRow("TX") << "Cmd_tx" << 'Q';
  }
  void disconettiAndTxEndTheSession() {
    QFETCH(QString, command);
    QFETCH(char, end_letter);
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    f.window.findChild<QPushButton*>(command)->click();
    QTRY_COMPARE(f.sent().right(1), QByteArray(1, end_letter));
    QCOMPARE(f.state(), state_text::not_connected);
    QVERIFY(!f.link.isOpen());
    const auto& c = f.c();
    for (QLineEdit* box : {c.CodiceQuarn, c.FqTx, c.txb_tmp_rap, c.txb_amp, c.Text1}) QVERIFY(box->text().isEmpty());
    for (QComboBox* list : {c.Cmb_n_ing_all, c.Cmb_N_ing_bat, c.Cmb_n_tx_tot, c.cmb_Monorep, c.Cmb_tmr_p_all}) {
      QVERIFY(list->currentText().isEmpty());
    }
    QVERIFY(c.Opt_bat_si->isChecked());  // options keep their selection
    QTRY_VERIFY(c.lab_tipo_quarn->text().isEmpty());
    QCOMPARE(f.transmitter.model().testTransmissions(), end_letter == 'Q' ? 1 : 0);
    QVERIFY(f.notifier.messages.empty());
  }

  void esciWithThePortClosedSendsNothing() {
    PrincipaleFixture f;
    QSignalSpy exit(&f.window, &Principale::exitRequested);
    f.c().Command4->click();
    QCOMPARE(exit.count(), 1);
    QVERIFY(f.sent().isEmpty());
  }

  void portThatCannotOpenShowsBothMessages() {
    PrincipaleFixture f;
    f.link.setOpenFailure(PortError{1, "No such file or directory"});
    QTRY_COMPARE(f.state(), state_text::not_connected);
    f.c().Cmd_connetti->click();
    QCOMPARE(f.notifier.messages, (std::vector<RecordingNotifier::Message>{
                                      {"1 No such file or directory", Notifier::Icon::None},
                                      exclamation(message_port_failure)}));
    QCOMPARE(f.state(), state_text::not_connected);
    QVERIFY(!f.window.session().busy());
  }

  void silentTransmitterWaitsWithOnlyDisconettiAndEsci() {
    TransmitterFaults faults;
    faults.silent = true;
    PrincipaleFixture f(uhf_new(), faults);
    f.c().Cmd_connetti->click();
    QTRY_COMPARE(f.state(), state_text::waiting);
    QTest::qWait(300);  // a while: nothing ends the wait
    QVERIFY(f.pollTicked());
    const auto& c = f.c();
    QCOMPARE(f.state(), state_text::waiting);
    QVERIFY(c.Cmd_disconetti->isEnabled() && c.Command4->isEnabled());
    for (QPushButton* b : {c.Cmd_connetti, c.cmd_programma, c.Cmd_init_uhf, c.Cmd_init_vhf, c.Cmd_tx}) {
      QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    }
    // Cancelling the connect is no port failure: no message.
    c.Cmd_disconetti->click();
    QCOMPARE(f.state(), state_text::not_connected);
    QVERIFY(!f.window.session().busy());
    QTRY_COMPARE(f.sent(), QByteArray("E"));
    QVERIFY(f.pollTicked());
    QVERIFY(f.notifier.messages.empty());
  }

  void oneLinkOperationAtATimeDuringTheInitialRead() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});  // paced: the read takes most of a second
    const auto& c = f.c();
    // What the poll has set on a tick during the read, looked at right after
    // it: a busy machine decides how many ticks fall in the read, not what
    // each one sets.
    std::optional<QStringList> enabled_during_read;
    bool bar_shown = false;
    connect(&f.window.statusTimer(), &QTimer::timeout, &f.window, [&] {
      if (enabled_during_read || f.state() != state_text::connected || !f.window.session().busy()) return;
      enabled_during_read.emplace();
      for (QPushButton* b : {c.cmd_programma, c.Cmd_init_uhf, c.Cmd_init_vhf, c.Cmd_disconetti, c.Cmd_tx})
        if (b->isEnabled()) *enabled_during_read << b->objectName();
      bar_shown = !c.ProgressBar1->isHidden();
    });
    c.Cmd_connetti->click();
    QTRY_VERIFY_WITH_TIMEOUT(enabled_during_read, patience_ms);
    QVERIFY(bar_shown);
    QCOMPARE(*enabled_during_read, QStringList({"Cmd_disconetti", "Cmd_tx"}));
    QTRY_VERIFY_WITH_TIMEOUT(!f.window.session().busy(), patience_ms);
    QTRY_VERIFY(c.cmd_programma->isEnabled() && c.Cmd_init_uhf->isEnabled());
  }

  void disconettiDuringTheInitialReadIsQuiet() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    f.c().Cmd_connetti->click();
    QVERIFY(readUnderWay(f));
    f.c().Cmd_disconetti->click();
    QVERIFY(!f.window.session().busy());
    QVERIFY(f.c().ProgressBar1->isHidden());
    QVERIFY(f.pollTicked());
    QVERIFY(f.notifier.messages.empty());
    QVERIFY(f.c().CodiceQuarn->text().isEmpty());  // nothing decoded
    QTRY_COMPARE(f.sent().right(1), QByteArray("E"));
  }

  void esciDuringTheReadQuitsPromptlyWithoutMessages() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    QSignalSpy exit(&f.window, &Principale::exitRequested);
    f.c().Cmd_connetti->click();
    QTRY_COMPARE(f.state(), state_text::connected);
    f.c().Command4->click();
    QCOMPARE(exit.count(), 1);
    QVERIFY(!f.link.isOpen());
    QTRY_COMPARE(f.sent().right(1), QByteArray("E"));
    QVERIFY(f.notifier.messages.empty());
  }

  void unpluggedAdapterDuringTheReadIsAPortFailure() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    f.c().Cmd_connetti->click();
    QVERIFY(readUnderWay(f));
    f.link.unplug();
    QCOMPARE(f.state(), state_text::not_connected);
    QVERIFY(!f.window.session().busy());
    QCOMPARE(f.notifier.messages.size(), std::size_t(2));
    QVERIFY(f.notifier.messages[0].text.startsWith(QString::number(EmulatedLink::unplugged_error_number) + ' '));
    QCOMPARE(f.notifier.messages[0].icon, Notifier::Icon::None);
    QCOMPARE(f.notifier.messages[1], exclamation(message_port_failure));
    // Plugged back in, the technician connects again.
    QTRY_VERIFY(f.c().Cmd_connetti->isEnabled());
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.c().FqTx->text(), QString("460"));
  }

  // No box interrupts the technician, but the help line names the loss.
  void unpluggedAdapterWhileIdleEndsTheSession() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    f.link.unplug();
    QCOMPARE(f.state(), state_text::not_connected);
    QTRY_VERIFY(f.c().Cmd_connetti->isEnabled());
    QVERIFY(f.notifier.messages.empty());
    QCOMPARE(f.c().Text7->text(), QString(" Dispositivo scollegato"));
  }
};

QTEST_MAIN(TestPrincipaleSession)
#include "test_principale_session.moc"
