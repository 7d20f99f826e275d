// Programma and the factory default loaders against the emulated transmitter:
// the bytes on the wire, the checks before anything is sent, time-outs and
// what the device holds afterwards.

#include "config/block_encoding.h"
#include "documents/backup_store.h"
#include "documents/settings_file.h"
#include "tests/ui/principale_fixture.h"

#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

Q_DECLARE_METATYPE(quarn::TransmitterFaults)

namespace {

MemoryImage with_cells(MemoryImage memory, std::initializer_list<std::pair<int, int>> changes) {
  for (auto [address, value] : changes) memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
  return memory;
}

// The worked example: code 1234 on inputs 3 and 8, 30 s and 60 s, five
// transmissions, high tones, battery alarm on, multiple, 433.925 MHz, 2 s.
void fill_worked_block(const PrincipaleControls& c) {
  c.CodiceQuarn->setText("1234");
  c.FqTx->setText("433.925");
  c.txb_tmp_rap->setText("30");
  c.txb_amp->setText("60");
  c.Cmb_n_ing_all->setEditText("3");
  c.Cmb_N_ing_bat->setEditText("8");
  c.Cmb_n_tx_tot->setEditText("5");
  c.Cmb_tmr_p_all->setEditText("2");
  c.cmb_Monorep->setEditText("0");
  c.opt_quarn->click();
  c.Opt_toni_alti->click();
  c.Opt_bat_si->click();
  c.Opt_tx_mult->click();
}

}  // namespace

class TestPrincipaleProgramming : public QObject {
  Q_OBJECT

  // Connects, then presses `command` and returns the steps it sent.
  // Programma once more on the connected unit: how many cells it wrote.
  static std::size_t programAgain(PrincipaleFixture& f) {
    const qsizetype before = f.sent().size();
    if (!f.pollTicked()) return 0;
    f.c().cmd_programma->click();
    if (!f.settle()) return 0;
    return writes(steps(f.sent().mid(before))).size();
  }

  static std::vector<Step> run(PrincipaleFixture& f, QPushButton* command, const std::function<void()>& edit = {}) {
    if (!f.connectAndRead()) {
      QTest::qFail("the connect before the command did not complete", __FILE__, __LINE__);
      return {};
    }
    if (edit) edit();
    const qsizetype before = f.sent().size();
    if (!f.pollTicked()) {
      QTest::qFail("the status poll did not tick", __FILE__, __LINE__);
      return {};
    }
    command->click();
    if (!f.settle()) {
      QTest::qFail("the command did not end", __FILE__, __LINE__);
      return {};
    }
    return steps(f.sent().mid(before));
  }

 private slots:
  void newDeviceTakes62StepsThenIsReadBack() {
    PrincipaleFixture f;
    std::vector<int> progress;
    connect(f.c().ProgressBar1, &QProgressBar::valueChanged, [&](int v) { progress.push_back(v); });
    int maximum_seen = 0;
    connect(f.c().cmd_programma, &QPushButton::clicked, [&] {
      QTimer::singleShot(0, [&] { maximum_seen = f.c().ProgressBar1->maximum(); });
    });
    const auto all = run(f, f.c().cmd_programma, [&] { fill_worked_block(f.c()); });
    const auto w = writes(all);
    QCOMPARE(w.size(), std::size_t(62));
    for (int a = 0; a < 62; ++a) QCOMPARE(w[std::size_t(a)].address, a);
    QCOMPARE(w[60].value, int(device_type_new));
    QCOMPARE(w[61].value, 124);  // the checksum of the worked block
    QCOMPARE(w[37].value, 0);
    QCOMPARE(maximum_seen, 61);
    QVERIFY(std::find(progress.begin(), progress.end(), 61) != progress.end());
    QCOMPARE(all.size(), std::size_t(62 + read_count));  // then the read-back, nothing else
    QCOMPARE(all.back().letter, 'R');
    QVERIFY(f.notifier.messages.empty());  // the read-back found the checksum right
    QCOMPARE(f.c().FqTx->text(), QString("433.925"));
    QCOMPARE(f.window.programmingFlag(), 0);
    QTRY_VERIFY(f.c().cmd_programma->isEnabled());  // the status follows again
  }

  void oldDeviceTakes34Steps() {
    PrincipaleFixture f(with_cells(uhf_new(), {{cell::device_type, 0}}));
    const auto w = writes(run(f, f.c().cmd_programma));
    QCOMPARE(w.size(), std::size_t(34));
    QCOMPARE(w.back().address, 33);
    QCOMPARE(w[cell::fixed_07].value, 0);
    QCOMPARE(w[cell::fixed_08].value, 136);
  }

  void frequencyChecksAgainstTheBandRead_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("programmed");
    QTest::newRow("V 200: both, nothing sent") << int(band_vhf) << "200" << true << false;
    QTest::newRow("V 180: warned, programmed") << int(band_vhf) << "180" << true << true;
    QTest::newRow("U 475: warned, programmed") << int(band_uhf) << "475" << true << true;
    QTest::newRow("U 440.9125: silent") << int(band_uhf) << "440.9125" << false << true;
    QTest::newRow("band 0: anything") << 0 << "1000" << true << true;
  }
  void frequencyChecksAgainstTheBandRead() {
    QFETCH(int, band);
    QFETCH(QString, frequency);
    QFETCH(bool, warned);
    QFETCH(bool, programmed);
    PrincipaleFixture f(with_cells(uhf_new(), {{cell::band, band}}));
    const auto all = run(f, f.c().cmd_programma, [&] { f.c().FqTx->setText(frequency); });
    std::vector<RecordingNotifier::Message> expected;
    if (warned) expected.push_back(exclamation("Frequenza TX fuori range!"));
    if (!programmed) expected.push_back(exclamation("Frequenza Fuori Banda !"));
    QCOMPARE(f.notifier.messages, expected);
    QCOMPARE(writes(all).size(), programmed ? std::size_t(62) : std::size_t(0));
    QVERIFY(programmed || all.empty());
  }

  void codesAndValuesThatCannotBeProgrammedAreRefusedBeforeSending_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("mono");
    QTest::addColumn<QString>("refusal");  // empty: accepted
    QTest::newRow("Mono 1024") << "CodiceQuarn" << "1024" << true
                               << "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)";
    QTest::newRow("Mono 1023") << "CodiceQuarn" << "1023" << true << "";
    QTest::newRow("Mono 0") << "CodiceQuarn" << "0" << true << "";
    QTest::newRow("Quarn 70000") << "CodiceQuarn" << "70000" << false
                                 << "Errore Codice Quarn Fuori Range (0 - 65535)";
    QTest::newRow("robbery 300") << "txb_tmp_rap" << "300" << false
                                 << "Errore Timer per rapina Fuori Range (0 - 255)";
    QTest::newRow("robbery 0 is written") << "txb_tmp_rap" << "0" << false << "";
    QTest::newRow("no alarm input") << "Cmb_n_ing_all" << "" << false << "Errore N° Ing di All Fuori Range (1 - 8)";
    QTest::newRow("battery input 9") << "Cmb_N_ing_bat" << "9" << false
                                     << "Errore Batteria Scarica Su Ing N° Fuori Range (1 - 8)";
    QTest::newRow("Mono, low tones, repeater 64") << "cmb_Monorep" << "64" << true
                                                  << "Errore Cod Rep Fuori Range (0 - 63)";
  }
  void codesAndValuesThatCannotBeProgrammedAreRefusedBeforeSending() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, mono);
    QFETCH(QString, refusal);
    PrincipaleFixture f;
    const auto all = run(f, f.c().cmd_programma, [&] {
      if (mono) {
        f.c().Opt_mono->click();
        f.c().Opt_toni_bassi->click();
      }
      QWidget* w = f.window.findChild<QWidget*>(field);
      if (auto* box = qobject_cast<QLineEdit*>(w)) box->setText(text);
      if (auto* list = qobject_cast<QComboBox*>(w)) list->setEditText(text);
    });
    if (refusal.isEmpty()) {
      QVERIFY(f.notifier.messages.empty());
      QCOMPARE(writes(all).size(), std::size_t(62));
    } else {
      QCOMPARE(f.notifier.messages, (std::vector{exclamation(refusal)}));
      QVERIFY(all.empty());
      QCOMPARE(f.window.programmingFlag(), 0);
      QVERIFY(f.c().ProgressBar1->isHidden());
      QTRY_VERIFY(f.c().cmd_programma->isEnabled());  // the status follows again
    }
  }

  void quarnCode5000CarriesItsTwoBytes() {
    PrincipaleFixture f;
    const auto w = writes(run(f, f.c().cmd_programma, [&] { f.c().CodiceQuarn->setText("5000"); }));
    QCOMPARE(w.at(cell::alarm_packet + packet_byte::code_high).value, 19);
    QCOMPARE(w.at(cell::alarm_packet + packet_byte::code_low).value, 136);
    QCOMPARE(w.at(cell::battery_packet + packet_byte::code_high).value, 19);
  }

  void spoiledAcknowledgementsEndTheRunWithATimeOut_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("acknowledged");  // cells the device holds afterwards
    QTest::newRow("lower-case k") << 0 << 0;
    QTest::newRow("stray byte before the K of cell 10") << 1 << 10;
    QTest::newRow("no K from cell 10 on") << 2 << 10;
  }
  void spoiledAcknowledgementsEndTheRunWithATimeOut() {
    QFETCH(int, fault);
    QFETCH(int, acknowledged);
    TransmitterFaults faults;
    if (fault == 0) faults.lowercase_ack = true;
    if (fault == 1) faults.stray_before_ack_at = 10;
    if (fault == 2) faults.no_ack_from = 10;
    PrincipaleFixture f(uhf_new(), faults);
    const auto w = writes(run(f, f.c().cmd_programma, [&] {
      f.c().txb_tmp_rap->setText("99");
      f.c().Cmb_tmr_p_all->setEditText("5");
    }));
    QCOMPARE(w.size(), std::size_t(acknowledged + 1));  // nothing after the failed step
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_time_out)}));
    // The device keeps the acknowledged cells and sees nothing after the failed step.
    if (acknowledged > 0) QCOMPARE(f.transmitter.model().memory()[cell::robbery_time], std::uint8_t(99));
    QCOMPARE(f.transmitter.model().memory()[cell::panic_filter], std::uint8_t(1));
    QCOMPARE(f.window.programmingFlag(), 0);
    QVERIFY(f.c().ProgressBar1->isHidden());
    QTRY_VERIFY(f.c().cmd_programma->isEnabled());
  }

  // A spare byte anywhere in a run, or a cell stored otherwise than written,
  // ends the run with one read error; the window shows what was read back,
  // never a shifted memory.
  void repliesOutOfStepOrCellsStoredOtherwiseEndWithTheReadError_data() {
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<bool>("paced");
    QTest::newRow("KK on every write") << TransmitterFaults{.double_ack_every_write = true} << false;
    QTest::newRow("KK on the last write, paced") << TransmitterFaults{.double_ack_at = 61} << true;
    QTest::newRow("extra byte after a read-back reply") << TransmitterFaults{.extra_after_read_at = 20} << false;
    QTest::newRow("stores another value at 12") << TransmitterFaults{.store_other_at = 12} << false;
  }
  void repliesOutOfStepOrCellsStoredOtherwiseEndWithTheReadError() {
    QFETCH(TransmitterFaults, faults);
    QFETCH(bool, paced);
    const std::optional<int> extra_at = std::exchange(faults.extra_after_read_at, std::nullopt);
    PrincipaleFixture f(uhf_new(), faults, paced ? LineTiming{} : PrincipaleFixture::unpaced());
    QVERIFY(f.connectAndRead());
    QVERIFY(f.notifier.messages.empty());
    faults.extra_after_read_at = extra_at;  // from the read-back on
    f.transmitter.setFaults(faults);
    const auto w = writes(run(f, f.c().cmd_programma));
    QCOMPARE(w.size(), std::size_t(62));
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));
    QCOMPARE(f.c().CodiceQuarn->text(), QString("1"));  // what the device holds, in step
  }

  // A read-back out of step changes nothing the window holds: the fields keep
  // what was typed and the device type stays New, so the next Programma
  // writes the fields in the New layout, backed up from the doubtful read,
  // marked as such.
  void aReadBackOutOfStepChangesNothingAndProgrammaWritesTheFields() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});  // paced: the spare byte shifts the cells after it
    QTemporaryDir folder;
    BackupStore backups(folder.path());
    f.window.session().setBackupHook(backups.hook());
    QCOMPARE(writes(run(f, f.c().cmd_programma, [&] {
                      f.c().CodiceQuarn->setText("1234");
                      f.transmitter.setFaults({.extra_after_read_at = 20});
                    })).size(),
             std::size_t(62));
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));
    QCOMPARE(f.c().CodiceQuarn->text(), QString("1234"));
    QCOMPARE(f.c().lab_tipo_quarn->text(), QString("New"));
    QCOMPARE(f.window.block().device_type, int(device_type_new));

    f.transmitter.setFaults({});
    QCOMPARE(programAgain(f), std::size_t(62));
    QCOMPARE(f.notifier.messages.size(), std::size_t(1));
    QCOMPARE(backups.list().size(), 2);
    const SettingsLoad second = load_settings_file(backups.list().last());
    QVERIFY(second.file);
    QVERIFY(second.file->read_out_of_step);
  }

  // A unit that always announces itself with "KK" reads out of step every
  // time, and can still be reset: the factory set is written, backed up
  // from that read and marked, then read back in step.
  void aFactoryResetRunsAfterAReadOutOfStep() {
    PrincipaleFixture f(factory_default_cells(Band::Vhf, Generation::Old), {.double_ready = true});
    QTemporaryDir folder;
    BackupStore backups(folder.path());
    f.window.session().setBackupHook(backups.hook());
    QCOMPARE(writes(run(f, f.c().Cmd_init_uhf)).size(), std::size_t(memory_size));
    QCOMPARE(f.transmitter.model().memory(), uhf_new());
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));  // the connect's only
    QCOMPARE(f.c().FqTx->text(), QString("460"));
    const SettingsLoad backup = load_settings_file(backups.list().value(0));
    QVERIFY(backup.file && backup.file->read_out_of_step);
    // The read-back in step has told the type: Programma may write now.
    f.transmitter.setFaults({});
    QCOMPARE(programAgain(f), std::size_t(62));
  }

  // Until a read in step has told this connection's type, Programma sends
  // nothing: a fresh window would take the unit for Old, and a window that
  // read another unit before would take that unit's type and band.
  void programmaWaitsForATypeReadInThisConnection() {
    PrincipaleFixture f(uhf_new(), {.double_ready = true});
    QVERIFY(writes(run(f, f.c().cmd_programma, [&] { f.c().CodiceQuarn->setText("1234"); })).empty());
    QCOMPARE(f.notifier.messages,
             (std::vector{exclamation(message_read_error), exclamation(message_type_unread)}));
    QCOMPARE(f.transmitter.model().memory(), uhf_new());
    QCOMPARE(f.window.programmingFlag(), 0);
  }

  void disconettiDuringARunEndsItWithTheTimeOutAtOnce() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    f.c().cmd_programma->click();
    QVERIFY(run_until([&] { return f.sent().contains('W'); }, patience_ms));  // the writes have begun
    QVERIFY(f.window.session().busy());
    QVERIFY(!f.c().Cmd_init_uhf->isEnabled() && !f.c().Cmd_init_vhf->isEnabled());
    QVERIFY(!f.c().cmd_programma->isEnabled());
    QVERIFY(f.c().Cmd_tx->isEnabled() && f.c().Cmd_disconetti->isEnabled());
    f.c().Cmd_disconetti->click();
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_time_out)}));
    QVERIFY(!f.window.session().busy());
    QCOMPARE(f.window.programmingFlag(), 0);
    QCOMPARE(f.state(), state_text::not_connected);
    QTRY_COMPARE(f.sent().right(1), QByteArray("E"));
  }

  // When the run's time-out box opens, the end letter has gone out, the port
  // is closed, the state reads " Non Connesso" and the fields are empty.
  void endingTheSessionDuringARunActsBeforeTheBox_data() {
    QTest::addColumn<bool>("programma");
    QTest::addColumn<bool>("tx");
    QTest::newRow("Disconetti during Programma") << true << false;
    QTest::newRow("TX during Programma") << true << true;
    QTest::newRow("Disconetti during UHF") << false << false;
    QTest::newRow("TX during UHF") << false << true;
  }
  void endingTheSessionDuringARunActsBeforeTheBox() {
    QFETCH(bool, programma);
    QFETCH(bool, tx);
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    (programma ? f.c().cmd_programma : f.c().Cmd_init_uhf)->click();
    QVERIFY(run_until([&] { return f.sent().contains('W'); }, patience_ms));  // the writes have begun
    struct AtBox {
      QByteArray last_sent;
      bool port_open;
      QString state;
      QString code;
      QString band;
    };
    std::optional<AtBox> at_box;
    f.notifier.on_message = [&](const RecordingNotifier::Message&) {
      // The letter crosses the line, if it went out before the box.
      run_until([&] { return f.sent().endsWith(tx ? "Q" : "E"); }, patience_ms);
      at_box = AtBox{f.sent().right(1), f.link.isOpen(), f.state(), f.c().CodiceQuarn->text(), f.c().Text1->text()};
    };
    (tx ? f.c().Cmd_tx : f.c().Cmd_disconetti)->click();
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_time_out)}));
    QVERIFY(at_box);
    QCOMPARE(at_box->last_sent, QByteArray(tx ? "Q" : "E"));
    QVERIFY(!at_box->port_open);
    QCOMPARE(at_box->state, state_text::not_connected);
    QVERIFY(at_box->code.isEmpty() && at_box->band.isEmpty());
  }

  void readBackThatFailsEndsTheRunWithTheLossAndTheReadError() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    // Pull the adapter while the read-back waits for cell 5.
    // The session's own step report: the bar shows only some of the steps.
    connect(&f.window.session(), &TransmitterSession::progress, &f.link, [&](int address, int last_address) {
      if (last_address == read_count - 1 && address == 5) QTimer::singleShot(0, &f.link, &EmulatedLink::unplug);
    });
    f.c().cmd_programma->click();
    QVERIFY(f.settle());
    QVERIFY(f.sent().contains(QByteArray("W") + char(61)));
    QCOMPARE(f.window.programmingFlag(), 0);
    QVERIFY(f.c().ProgressBar1->isHidden());
    QCOMPARE(f.state(), state_text::not_connected);
    QTRY_VERIFY(f.c().Cmd_connetti->isEnabled());  // the status follows again
    // The loss is named, and the only check of the writes never completed.
    QCOMPARE(f.notifier.messages, (std::vector<RecordingNotifier::Message>{
                                      {QString::number(EmulatedLink::unplugged_error_number) + " Dispositivo scollegato",
                                       Notifier::Icon::None},
                                      exclamation(message_read_error)}));
  }

  void factoryDefaults_data() {
    QTest::addColumn<bool>("uhf");
    QTest::addColumn<bool>("old");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("type");
    QTest::newRow("UHF New") << true << false << "460" << "  UHF" << "New";
    QTest::newRow("VHF New") << false << false << "161" << "  VHF" << "New";
    QTest::newRow("UHF Old") << true << true << "460" << "  UHF" << "Old";
  }
  void factoryDefaults() {
    QFETCH(bool, uhf);
    QFETCH(bool, old);
    QFETCH(QString, frequency);
    QFETCH(QString, band);
    QFETCH(QString, type);
    PrincipaleFixture f(with_cells(factory_default_cells(Band::Vhf, Generation::Old), {{cell::code_mode, 1}}));
    f.notifier.answer = [](const QString&) { return true; };  // each set is meant for this unit
    f.c().OLd_new->setChecked(old);
    const auto w = writes(run(f, uhf ? f.c().Cmd_init_uhf : f.c().Cmd_init_vhf));
    const MemoryImage expected = factory_default_cells(uhf ? Band::Uhf : Band::Vhf, old ? Generation::Old : Generation::New);
    QCOMPARE(w.size(), std::size_t(memory_size));
    for (int a = 0; a < memory_size; ++a) {
      QCOMPARE(w[std::size_t(a)].address, a);
      QCOMPARE(w[std::size_t(a)].value, int(expected[std::size_t(a)]));
    }
    QCOMPARE(f.transmitter.model().memory(), expected);
    QCOMPARE(f.c().FqTx->text(), frequency);
    QCOMPARE(f.c().Text1->text(), band);
    QCOMPARE(f.c().lab_tipo_quarn->text(), type);
    QVERIFY(f.c().opt_quarn->isChecked());
    QVERIFY(f.notifier.messages.empty());
  }

  void oldTickedDuringALoadCountsForTheCellsStillToCome() {
    PrincipaleFixture f(uhf_new(), {}, LineTiming{});
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    f.c().Cmd_init_uhf->click();
    QVERIFY(run_until([&] { return f.transmitter.model().memory()[cell::fixed_08] != 133 ||
                                         f.sent().contains(QByteArray("W") + char(20)); }, patience_ms));
    f.c().OLd_new->setChecked(true);  // cells 7 and 8 are written, 60 and 61 not yet
    QVERIFY(f.settle());
    const MemoryImage& memory = f.transmitter.model().memory();
    QCOMPARE(memory[cell::fixed_08], std::uint8_t(133));
    QCOMPARE(memory[cell::device_type], std::uint8_t(0));
    QCOMPARE(memory[cell::block_checksum], std::uint8_t(0));
  }

  // A read-back out of step shows nothing: the type label is left empty as
  // the fields and the band are, not "New" beside a window that holds no type.
  void loadWithItsReadBackOutOfStepShowsNoType() {
    PrincipaleFixture f(uhf_new());
    TransmitterFaults faults;
    faults.extra_after_read_at = 5;
    run(f, f.c().Cmd_init_uhf, [&] { f.transmitter.setFaults(faults); });
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_read_error)}));
    QCOMPARE(f.c().FqTx->text(), QString());
    QCOMPARE(f.c().Text1->text(), QString());
    QCOMPARE(f.c().lab_tipo_quarn->text(), QString());
  }

  void loadWithoutAcknowledgementKeepsTheFields() {
    TransmitterFaults faults;
    faults.no_ack_from = 10;
    PrincipaleFixture f(uhf_new(), faults);
    f.notifier.answer = [](const QString&) { return true; };
    const auto w = writes(run(f, f.c().Cmd_init_vhf));
    QCOMPARE(w.size(), std::size_t(11));
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_time_out)}));
    QCOMPARE(f.c().FqTx->text(), QString("460"));  // the fields keep the last read
    QVERIFY(f.c().ProgressBar1->isHidden());
  }
};

QTEST_MAIN(TestPrincipaleProgramming)
#include "test_principale_programming.moc"
