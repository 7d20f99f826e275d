// What the window tells when an operation ends, on the help line, and
// quitting that first lets a write run end.

#include "documents/backup_store.h"
#include "tests/ui/principale_fixture.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

Q_DECLARE_METATYPE(quarn::TransmitterFaults)

namespace {

struct OutcomeFixture : PrincipaleFixture {
  explicit OutcomeFixture(const MemoryImage& memory = uhf_new(), LineTiming timing = unpaced())
      : PrincipaleFixture(memory, {}, timing), backups(folder.path()) {
    window.session().setBackupHook(backups.hook());
    window.session().setAcknowledgementTimeout(300);
    notifier.answer = [](const QString&) { return true; };  // every set here is meant, whatever the unit read
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
  }

  // Connetti, then `faults` from now on, then `command` once the poll has enabled it.
  bool start(const char* command, const TransmitterFaults& faults = {}) {
    if (!connectAndRead()) return false;
    c().CodiceQuarn->setText("1234");
    transmitter.setFaults(faults);
    auto* button = window.findChild<QPushButton*>(command);
    if (!run_until([button] { return button->isEnabled(); }, 2000)) return false;
    button->click();
    return true;
  }
  QString backupName() const { return QFileInfo(backups.list().value(0)).fileName(); }

  QTemporaryDir folder;
  BackupStore backups;
};

// Runs `on_hide` when the window is hidden, however it is closed.
class HideWatch : public QObject {
 public:
  HideWatch(QWidget& window, std::function<void()> on_hide) : on_hide_(std::move(on_hide)) { window.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) on_hide_();
    return false;
  }

 private:
  std::function<void()> on_hide_;
};

}  // namespace

class TestPrincipaleOutcomes : public QObject {
  Q_OBJECT

 private slots:
  // "%1" stands for the backup's file name. A filler cell that reads back
  // otherwise is no error.
  void theHelpLineStatesTheOutcome_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<QString>("box");  // empty: none
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Programma") << "cmd_programma" << TransmitterFaults{} << ""
                               << " Programmazione verificata: 62 celle. Copia di sicurezza: %1";
    QTest::newRow("Programma, filler cell 40 stored otherwise")
        << "cmd_programma" << TransmitterFaults{.store_other_at = 40} << ""
        << " Programmazione verificata: 62 celle. Copia di sicurezza: %1";
    QTest::newRow("Programma, cell 0 stored otherwise")
        << "cmd_programma" << TransmitterFaults{.store_other_at = 0} << message_read_error
        << " Programmazione non verificata (62 celle scritte). Copia di sicurezza: %1";
    QTest::newRow("UHF") << "Cmd_init_uhf" << TransmitterFaults{} << ""
                         << " Valori di fabbrica UHF caricati e verificati. Copia di sicurezza: %1";
    QTest::newRow("VHF, no K from cell 25")
        << "Cmd_init_vhf" << TransmitterFaults{.no_ack_from = 25} << message_time_out
        << " Trasmettitore scritto solo in parte (25 celle): copia di sicurezza %1";
  }
  void theHelpLineStatesTheOutcome() {
    QFETCH(QString, command);
    QFETCH(TransmitterFaults, faults);
    QFETCH(QString, box);
    QFETCH(QString, outcome);
    OutcomeFixture f;
    QVERIFY(f.start(qPrintable(command), faults));
    QVERIFY(f.settle());
    QCOMPARE(f.notifier.messages, box.isEmpty() ? std::vector<RecordingNotifier::Message>{} : std::vector{exclamation(box)});
    QCOMPARE(f.c().Text7->text(), outcome.arg(f.backupName()));
    // Pointing at a group replaces it, as any help text.
    auto* frame3 = f.window.findChild<QWidget*>("Frame3");
    QTest::mouseMove(f.window.windowHandle(), QPoint(2, 2));
    QTest::mouseMove(f.window.windowHandle(), frame3->mapTo(&f.window, QPoint(4, frame3->height() - 4)));
    QTRY_VERIFY(f.c().Text7->text().startsWith(" Inserire il Tempo di preallarme Rapina"));
  }

  // ESCI or the window's frame while a write run goes on: the run ends
  // first (all its writes; a read-back that hangs gets one Timer1 time-out),
  // then ESCI says "E" and closes, the frame closes without a word.
  void quittingWhileAWriteRunsLetsTheRunEnd_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("esci");
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<int>("written");  // cells the device holds as written when the window goes
    QTest::newRow("ESCI during Programma") << "cmd_programma" << true << TransmitterFaults{} << 62;
    QTest::newRow("frame during UHF") << "Cmd_init_uhf" << false << TransmitterFaults{} << 64;
    QTest::newRow("ESCI, then no K from cell 30") << "cmd_programma" << true << TransmitterFaults{.no_ack_from = 30} << 30;
    QTest::newRow("frame, then the read-back hangs") << "Cmd_init_vhf" << false << TransmitterFaults{.hang_at_read = 5} << 64;
  }
  void quittingWhileAWriteRunsLetsTheRunEnd() {
    QFETCH(QString, command);
    QFETCH(bool, esci);
    QFETCH(TransmitterFaults, faults);
    QFETCH(int, written);
    OutcomeFixture f(factory_default_cells(Band::Vhf, Generation::New), LineTiming{});
    QSignalSpy exit(&f.window, &Principale::exitRequested);
    struct AtQuit {
      bool busy;
      MemoryImage memory;
    };
    std::optional<AtQuit> at_quit;
    HideWatch watch(f.window, [&] { at_quit = AtQuit{f.window.session().busy(), f.transmitter.model().memory()}; });
    QVERIFY(f.start(qPrintable(command), faults));
    QVERIFY(run_until([&] { return f.sent().contains(QByteArray("W") + char(5)); }, 5000));
    if (esci) {
      f.c().Command4->click();
    } else {
      f.window.close();
    }
    QVERIFY(f.window.isVisible());  // not yet
    QVERIFY(run_until([&] { return at_quit.has_value(); }, 20000));
    QVERIFY(!at_quit->busy);
    QCOMPARE(exit.count(), esci ? 1 : 0);
    const auto w = writes(steps(f.sent()));
    QCOMPARE(w.size(), std::size_t(written + (faults.no_ack_from ? 1 : 0)));
    for (int a = 0; a < written; ++a) QCOMPARE(int(at_quit->memory[std::size_t(a)]), w[std::size_t(a)].value);
    if (esci) {
      QTRY_COMPARE(steps(f.sent()).back().letter, 'E');
      QVERIFY(!f.link.isOpen());
    } else {
      const auto all = steps(f.sent());
      QVERIFY(std::none_of(all.begin(), all.end(), [](const Step& s) { return s.letter == 'E'; }));
    }
  }
};

QTEST_MAIN(TestPrincipaleOutcomes)
#include "test_principale_outcomes.moc"
