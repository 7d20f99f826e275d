// What the window programs is what the technician meant: the field rules hold
// whichever field changes, a file opened before connecting is offered to the
// unit read, a factory set against the unit asks, typed values ask before
// they go, an outcome belongs to its session, a wait says what it waits for,
// and a backup that fails asks.

#include "documents/backup_store.h"
#include "documents/settings_file.h"
#include "tests/ui/principale_fixture.h"
#include "ui/field_bindings.h"

#include <QDir>
#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

namespace {

struct MeantFixture : PrincipaleFixture {
  using PrincipaleFixture::PrincipaleFixture;

  // Connetti once the status has enabled it again after the last session.
  bool connectAndRead() { return pollTicked() && PrincipaleFixture::connectAndRead(); }

  bool programma() {
    if (!pollTicked()) return false;
    c().cmd_programma->click();
    return settle();
  }

  // A settings file in the test's folder holding `settings`.
  QString file(const QString& name, const FieldValues& settings) {
    SettingsFile saved;
    saved.settings = settings;
    const QString path = folder.filePath(name);
    return save_settings_file(path, saved) ? QString() : path;
  }

  // The value the run wrote to a cell; -1 when it wrote none.
  int written(int address) const {
    int value = -1;
    for (const Step& step : writes(steps(sent()))) {
      if (step.address == address) value = step.value;
    }
    return value;
  }

  QTemporaryDir folder;
};

FieldValues site_settings() {
  FieldValues site = factory_settings(Band::Uhf);
  site.code = std::string("2105");
  site.robbery_time = std::string("45");
  return site;
}

constexpr int alarm_option = cell::alarm_packet + packet_byte::option;

}  // namespace

class TestPrincipaleMeant : public QObject {
  Q_OBJECT

 private slots:
  // Every option, list and text of the bindings starts the status, so a rule
  // reads what the technician just changed, whichever field it was.
  void everyFieldStartsTheStatus() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    const PrincipaleControls& c = f.c();
    for (const FieldBinding& binding : field_bindings) {
      const QByteArray name(setting(binding.key).name.data(), qsizetype(setting(binding.key).name.size()));
      QVERIFY(f.pollTicked());
      if (binding.box) (c.*binding.box)->setText((c.*binding.box)->text() + "1");
      if (binding.list) (c.*binding.list)->setEditText("7");
      if (binding.buttons[0]) {
        QRadioButton* unselected = (c.*binding.buttons[0])->isChecked() ? c.*binding.buttons[1] : c.*binding.buttons[0];
        unselected->click();
      }
      QVERIFY2(f.window.statusTimer().isActive(), name.constData());
    }
  }

  // Mono with a repeater code of 1 to 63 keeps low tones, whether high tones
  // are clicked or come from a file: the run programs the low-tone packet.
  void monoWithARepeaterCodeKeepsLowTones_data() {
    QTest::addColumn<bool>("from_file");
    QTest::newRow("Alti clicked") << false;
    QTest::newRow("file with high tones") << true;
  }
  void monoWithARepeaterCodeKeepsLowTones() {
    QFETCH(bool, from_file);
    MeantFixture f;
    QVERIFY(f.connectAndRead());
    const PrincipaleControls& c = f.c();
    if (from_file) {
      FieldValues mono = factory_settings(Band::Uhf);
      mono.quarn_mode = false;
      mono.repeater_code = std::string("5");  // not operator=(const char*): GCC 12 at -O3 warns of a false overlap
      mono.low_tones = false;
      f.window.loadSettingsFrom(f.file("mono.json", mono));
    } else {
      c.Opt_mono->click();
      c.cmb_Monorep->setEditText("5");
      QVERIFY(f.pollTicked());
      QVERIFY(c.Opt_toni_bassi->isChecked());
      c.Opt_toni_alti->click();
    }
    QVERIFY(f.pollTicked());
    QVERIFY(c.Opt_toni_bassi->isChecked());
    QVERIFY(f.programma());
    QCOMPARE(f.written(cell::tones), 1);
    QCOMPARE(f.written(alarm_option), 124);
    QCOMPARE(f.transmitter.model().memory()[cell::tones], std::uint8_t(1));
  }

  // A file opened before Connetti is offered once the read has filled the
  // fields: Sì shows the file, No the unit; the help line says which.
  void aFileOpenedBeforeConnectingIsOfferedToTheUnitRead_data() {
    QTest::addColumn<bool>("apply");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("help");
    QTest::newRow("Sì") << true << "2105" << " I campi mostrano le impostazioni di cantiere.json, non ancora programmate";
    QTest::newRow("No") << false << "1"
                        << " I campi mostrano i valori letti dal trasmettitore; cantiere.json non è stato applicato";
  }
  void aFileOpenedBeforeConnectingIsOfferedToTheUnitRead() {
    QFETCH(bool, apply);
    QFETCH(QString, code);
    QFETCH(QString, help);
    MeantFixture f;
    f.notifier.answer = [apply](const QString&) { return apply; };
    f.window.loadSettingsFrom(f.file("cantiere.json", site_settings()));
    QCOMPARE(f.c().CodiceQuarn->text(), QString("2105"));
    QVERIFY(f.notifier.questions.isEmpty());
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.notifier.questions, QStringList{"Applicare le impostazioni di cantiere.json a questo trasmettitore?"});
    QCOMPARE(f.c().CodiceQuarn->text(), code);
    QCOMPARE(f.c().Text7->text(), help);
    QVERIFY(f.programma());
    QCOMPARE(f.c().CodiceQuarn->text(), code);
    QCOMPARE(f.transmitter.model().memory()[cell::robbery_time], std::uint8_t(apply ? 45 : 30));
    // Asked once: the next connection reads without a question.
    f.c().Cmd_disconetti->click();
    QVERIFY(f.connectAndRead());
    QCOMPARE(f.notifier.questions.size(), 1);
  }

  // A read out of step fills nothing, so the file waits for the next read.
  void aFileWaitsForAReadInStep() {
    TransmitterFaults faults;
    faults.extra_after_read_at = 5;
    MeantFixture f(uhf_new(), faults);
    f.window.loadSettingsFrom(f.file("cantiere.json", site_settings()));
    QVERIFY(f.connectAndRead());
    QVERIFY(f.notifier.questions.isEmpty());
    QCOMPARE(f.c().CodiceQuarn->text(), QString("2105"));
  }

  // UHF and VHF against the unit this connection read: a band or generation
  // other than the unit's asks first, No by default, naming both.
  void aFactorySetAgainstTheUnitReadAsks_data() {
    QTest::addColumn<int>("unit_generation");
    QTest::addColumn<bool>("vhf_pressed");
    QTest::addColumn<bool>("old_ticked");
    QTest::addColumn<QString>("question");
    const auto newRow = [](const char* name, Generation unit, bool vhf, bool old, const QString& question) {
      QTest::newRow(name) << int(unit) << vhf << old << question;
    };
    newRow("VHF onto a UHF unit", Generation::New, true, false,
           "Il trasmettitore letto è UHF New: caricare i valori di fabbrica VHF New?");
    newRow("Old set onto a New unit", Generation::New, false, true,
           "Il trasmettitore letto è UHF New: caricare i valori di fabbrica UHF Old?");
    newRow("New set onto an Old unit", Generation::Old, false, false,
           "Il trasmettitore letto è UHF Old: caricare i valori di fabbrica UHF New?");
    newRow("the unit's own set", Generation::New, false, false, QString());
  }
  void aFactorySetAgainstTheUnitReadAsks() {
    QFETCH(int, unit_generation);
    QFETCH(bool, vhf_pressed);
    QFETCH(bool, old_ticked);
    QFETCH(QString, question);
    for (const bool yes : {false, true}) {
      MeantFixture f(factory_default_cells(Band::Uhf, Generation(unit_generation)));
      f.notifier.answer = [yes](const QString&) { return yes; };
      QVERIFY(f.connectAndRead());
      f.c().OLd_new->setChecked(old_ticked);
      QVERIFY(f.pollTicked());
      (vhf_pressed ? f.c().Cmd_init_vhf : f.c().Cmd_init_uhf)->click();
      QVERIFY(f.settle());
      QCOMPARE(f.notifier.questions, question.isEmpty() ? QStringList() : QStringList{question});
      const bool loaded = question.isEmpty() || yes;
      QCOMPARE(f.sent().count('W'), loaded ? memory_size : 0);
    }
  }

  // Fields edited at rest ask before Disconetti, TX or ESCI throw them away;
  // No keeps the session and the fields as they are.
  void editsAskBeforeTheyGo_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<char>("letter");
    QTest::newRow("Disconetti") << "Cmd_disconetti" << 'E';
    QTest::newRow("TX") << "Cmd_tx" << 'Q';
    QTest::newRow("ESCI") << "Command4" << 'E';
  }
  void editsAskBeforeTheyGo() {
    QFETCH(QString, command);
    QFETCH(char, letter);
    for (const bool discard : {false, true}) {
      MeantFixture f;
      QSignalSpy exit(&f.window, &Principale::exitRequested);
      f.notifier.answer = [discard](const QString&) { return discard; };
      QVERIFY(f.connectAndRead());
      f.c().txb_tmp_rap->setText("45");
      QVERIFY(f.pollTicked());
      const QByteArray before = f.sent();
      f.window.findChild<QPushButton*>(command)->click();
      QCOMPARE(f.notifier.questions, QStringList{question_discard_edits});
      if (discard) QVERIFY(run_until([&] { return f.sent().endsWith(letter); }, patience_ms));
      QCOMPARE(f.state(), discard ? state_text::not_connected : state_text::connected);
      if (command != "Command4") QCOMPARE(f.c().txb_tmp_rap->text(), discard ? QString() : QString("45"));
      QCOMPARE(exit.count(), discard && command == "Command4" ? 1 : 0);
      if (!discard) QCOMPARE(f.sent(), before);
    }
  }

  // What asks is a value the unit does not hold: the same value typed
  // otherwise, or a field programmed and verified, goes without a word; so
  // does the stop of a running wait.
  void onlyValuesTheUnitDoesNotHoldAsk() {
    MeantFixture f;
    QVERIFY(f.connectAndRead());
    f.c().txb_tmp_rap->setText("030");
    f.c().Cmd_disconetti->click();
    QVERIFY(f.notifier.questions.isEmpty());

    QVERIFY(f.connectAndRead());
    f.c().txb_tmp_rap->setText("45");
    QVERIFY(f.programma());
    f.c().Cmd_tx->click();
    QVERIFY(f.notifier.questions.isEmpty());

    TransmitterFaults faults;
    faults.silent = true;
    MeantFixture waiting(uhf_new(), faults);
    waiting.c().txb_tmp_rap->setText("45");
    waiting.c().Cmd_connetti->click();
    QVERIFY(run_until([&] { return waiting.state() == state_text::waiting; }, patience_ms));
    waiting.c().Cmd_disconetti->click();
    QVERIFY(waiting.notifier.questions.isEmpty());
    QCOMPARE(waiting.state(), state_text::not_connected);
  }

  // The outcome of a run stays until its session ends or the next
  // operation starts: it never stands beside another unit.
  void theLastOutcomeGoesWithItsSession() {
    MeantFixture f;
    QVERIFY(f.connectAndRead());
    QVERIFY(f.programma());
    QVERIFY(f.c().Text7->text().startsWith(" Programmazione verificata"));
    f.c().Cmd_disconetti->click();
    QCOMPARE(f.c().Text7->text(), QString());

    QVERIFY(f.connectAndRead());
    QVERIFY(f.programma());
    QVERIFY(f.c().Text7->text().startsWith(" Programmazione verificata"));
    QVERIFY(f.pollTicked());
    f.c().Cmd_init_uhf->click();
    QVERIFY(run_until([&] { return f.window.session().busy(); }, patience_ms));
    QCOMPARE(f.c().Text7->text(), QString());
    QVERIFY(f.settle());
  }

  // Nothing answers the ready wait: the help line names the port and the
  // device after a while, and the hint goes with the wait.
  void aWaitWithoutAnswerSaysWhatItWaitsFor() {
    TransmitterFaults faults;
    faults.silent = true;
    MeantFixture f(uhf_new(), faults);
    QCOMPARE(f.window.readyHintTimer().interval(), 5000);
    f.window.readyHintTimer().setInterval(1);
    f.c().Cmd_connetti->click();
    const QString hint = QString(" Nessun trasmettitore risponde su Com 1 (%1): controllare cavo e porta; "
                                 "Disconetti per fermare")
                             .arg(QDir::toNativeSeparators(f.link.device()));
    QVERIFY(run_until([&] { return f.c().Text7->text() == hint; }, patience_ms));
    QCOMPARE(f.state(), state_text::waiting);
    f.c().Cmd_disconetti->click();
    QCOMPARE(f.c().Text7->text(), QString());
  }

  // A backup that cannot be saved asks in one box, No by default: No sends
  // nothing and the help line says so; Sì writes without the backup.
  void aBackupThatCannotBeWrittenAsks() {
    for (const bool go_on : {false, true}) {
      MeantFixture f;
      QFile blocker(f.folder.filePath("not-a-folder"));
      QVERIFY(blocker.open(QIODevice::WriteOnly));
      blocker.close();
      BackupStore impossible(blocker.fileName() + "/backups");  // under a file: fails even for root
      f.window.session().setBackupHook(impossible.hook());
      if (go_on) f.notifier.answer = [](const QString&) { return true; };
      QVERIFY(f.connectAndRead());
      QVERIFY(f.pollTicked());
      f.c().Cmd_init_uhf->click();
      QVERIFY(f.settle());
      QCOMPARE(f.notifier.questions.size(), 1);
      const QString asked = f.notifier.questions[0];
      const QString folder = QDir::toNativeSeparators(impossible.folder());
      QVERIFY2(asked.startsWith("Backup non salvato: impossibile creare la cartella \"" + folder + "\" (") &&
                   asked.endsWith(")\n" + question_without_backup) && asked.count(folder) == 1,
               qPrintable(asked));
      QVERIFY(f.notifier.messages.empty());
      QCOMPARE(f.sent().count('W'), go_on ? memory_size : 0);
      QCOMPARE(f.c().Text7->text(),
               go_on ? QString(" Valori di fabbrica UHF caricati e verificati. Nessuna copia di sicurezza: non era "
                               "stato possibile salvarla")
                     : QString(" Copia di sicurezza non riuscita: nulla è stato scritto"));
    }
  }
};

QTEST_MAIN(TestPrincipaleMeant)
#include "test_principale_meant.moc"
