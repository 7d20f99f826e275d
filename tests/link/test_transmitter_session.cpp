// The transfer service over a port the test drives: the sequences on the
// wire, how operations end (lost device, cancel, missing acknowledgement),
// replies out of step, the read-back comparison and the one-operation guard.

#include "link/transmitter_session.h"
#include "tests/link/scripted_link.h"

#include <QSignalSpy>
#include <QTest>

using namespace quarn;

class TestTransmitterSession : public QObject {
  Q_OBJECT

  ScriptedLink* port_ = nullptr;
  TransmitterSession* session_ = nullptr;
  std::optional<Outcome> outcome_;
  ReadResult read_;
  std::optional<WriteResult> written_;

  TransmitterSession::ReadDone recordRead() {
    return [this](const Outcome& outcome, const ReadResult& read) {
      outcome_ = outcome;
      read_ = read;
    };
  }
  TransmitterSession::WriteDone recordWrite() {
    return [this](const WriteResult& result) {
      outcome_ = result.outcome;
      written_ = result;
    };
  }

  // What the service has written by the time something is there.
  QByteArray nextWritten() {
    if (!QTest::qWaitFor([this] { return !port_->written().isEmpty(); }, 60'000)) return {};
    return port_->takeWritten();
  }

  // Answers each read step "R a" with `cells[a]`.
  void answerReads(const MemoryRead& cells, int from = 0) {
    for (int a = from; a < read_count; ++a) {
      QCOMPARE(nextWritten(), QByteArray("R") + char(a));
      port_->feed(QByteArray(1, char(cells[std::size_t(a)])));
    }
  }
  void answerWrites(int count, const QByteArray& ack = "K") {
    for (int a = 0; a < count; ++a) {
      QVERIFY(nextWritten().startsWith(QByteArray("W") + char(a)));
      port_->feed(ack);
    }
  }

  static MemoryRead pattern() {
    MemoryRead cells{};
    for (int a = 0; a < read_count; ++a) cells[std::size_t(a)] = std::uint8_t(200 - a);
    return cells;
  }

 private slots:
  void init() {
    port_ = new ScriptedLink;
    port_->open();
    session_ = new TransmitterSession(*port_);
    outcome_.reset();
    written_.reset();
  }
  void cleanup() {
    delete session_;
    delete port_;
  }

  void connectAnswersTheReadyKThenReadsEveryCell() {
    port_->close();
    QSignalSpy waiting(session_, &TransmitterSession::waitingForReady);
    QSignalSpy started(session_, &TransmitterSession::sessionStarted);
    QVERIFY(session_->connectAndRead(recordRead()));
    QVERIFY(!session_->connectAndRead(recordRead()));  // one operation at a time
    QCOMPARE(waiting.count(), 1);
    port_->feed("\x78K");
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(nextWritten(), QByteArray("UR") + char(0));  // the read starts right after the "U"
    port_->feed(QByteArray(1, char(pattern()[0])));
    answerReads(pattern(), 1);
    QTRY_VERIFY(outcome_);
    QVERIFY(outcome_->completed());
    QCOMPARE(read_.cells, pattern());
    QVERIFY(!read_.out_of_step);
    QVERIFY(!session_->busy());
  }

  void sendsEachCommandOnceItsProgressFollows() {
    std::vector<int> progress;
    connect(session_, &TransmitterSession::progress, [&](int a) {
      progress.push_back(a);
      QCOMPARE(port_->waiting(), 0);
      QCOMPARE(port_->writeCalls(), a + 1);  // the step's own command is out already
    });
    QVERIFY(session_->readMemory(recordRead()));
    answerReads(pattern());
    QTRY_VERIFY(outcome_);
    QCOMPARE(progress.size(), std::size_t(read_count));
    QCOMPARE(port_->writeCalls(), read_count);  // one write per command
  }

  // A spare byte that arrives after the next command has gone out is taken
  // as that command's reply and shifts every later cell; the guard after the
  // last reply sees the one reply too many.
  void aLateSpareByteMarksTheReadOutOfStep() {
    QVERIFY(session_->readMemory(recordRead()));
    for (int a = 0; a < read_count; ++a) {
      QCOMPARE(nextWritten(), QByteArray("R") + char(a));
      const int late_reply = a == 0 ? 0 : a == 1 ? 0xEE : a - 1;
      port_->feed(QByteArray(1, char(late_reply)));
    }
    port_->feed(QByteArray(1, char(62)));  // the last step's own reply lands in the guard
    QTRY_VERIFY(outcome_);
    QVERIFY(outcome_->completed());
    QVERIFY(read_.out_of_step);
  }

  void aByteWaitingBeforeACommandIsDroppedAndCounted() {
    QVERIFY(session_->readMemory(recordRead()));
    for (int a = 0; a < read_count; ++a) {
      QCOMPARE(nextWritten(), QByteArray("R") + char(a));
      port_->feed(QByteArray(1, char(a)) + (a == 10 ? QByteArray("K") : QByteArray()));
    }
    QTRY_VERIFY(outcome_);
    QVERIFY(read_.out_of_step);
    QCOMPARE(read_.cells[11], std::uint8_t(11));  // the extra "K" never became cell 11
  }

  void writeStopsAtTheFirstMissingAcknowledgement() {
    std::vector<std::uint8_t> values{0, 10, 20, 30, 40, 50};
    QVERIFY(session_->program(values, recordWrite()));
    answerWrites(2);
    QCOMPARE(nextWritten(), QByteArray("W") + char(2) + char(20));
    session_->runTimer1Out();  // no "K" for it
    QTRY_VERIFY(outcome_);
    QCOMPARE(outcome_->kind, OutcomeKind::NoAcknowledgement);
    QCOMPARE(outcome_->address, 2);
    QCOMPARE(outcome_->acknowledged, 2);
    QVERIFY(!written_->writes_completed);
    QVERIFY(port_->written().isEmpty());  // nothing past the failed step
  }

  // The read-back compares the cells that carry the unit's settings, its
  // generation, the checksum (New) and the band; a filler cell that reads
  // back otherwise is written to the trace, not reported.
  void readBackComparesTheCellsThatCarryMeaning_data() {
    QTest::addColumn<int>("run");  // 0: Programma, New; 1: Programma, Old; 2: UHF New; 3: UHF Old
    QTest::addColumn<QList<int>>("differing");
    QTest::addColumn<QList<int>>("mismatched");
    QTest::newRow("New: filler 40 and 59") << 0 << QList<int>{40, 59} << QList<int>{};
    QTest::newRow("New: setting 7, checksum 61, filler 45") << 0 << QList<int>{7, 45, 61} << QList<int>{7, 61};
    QTest::newRow("Old: packet end 33") << 1 << QList<int>{33} << QList<int>{33};
    QTest::newRow("UHF New: code mode 36, band 62") << 2 << QList<int>{36, 62} << QList<int>{36, 62};
    QTest::newRow("UHF New: filler 37") << 2 << QList<int>{37} << QList<int>{};
    QTest::newRow("UHF Old: type 60; unused 35 and checksum 61") << 3 << QList<int>{35, 60, 61} << QList<int>{60};
  }
  void readBackComparesTheCellsThatCarryMeaning() {
    QFETCH(int, run);
    QFETCH(QList<int>, differing);
    QFETCH(QList<int>, mismatched);
    QTemporaryDir folder;
    QVERIFY(!session_->setTraceFile(folder.filePath("trace.txt")));
    const MemoryImage set = factory_default_cells(Band::Uhf, run == 1 || run == 3 ? Generation::Old : Generation::New);
    const std::size_t count = run == 0 ? 62 : run == 1 ? 34 : std::size_t(memory_size);
    const std::vector<std::uint8_t> values(set.begin(), set.begin() + qsizetype(count));
    if (run < 2) {
      QVERIFY(session_->program(values, recordWrite()));
    } else {
      const Generation generation = run == 3 ? Generation::Old : Generation::New;
      QVERIFY(session_->loadFactorySet(Band::Uhf, [generation] { return generation; }, {}, recordWrite()));
    }
    answerWrites(int(count));
    MemoryRead device{};
    std::copy_n(set.begin(), read_count, device.begin());
    for (const int a : differing) device[std::size_t(a)] ^= 1;
    answerReads(device);
    QTRY_VERIFY(written_);
    QVERIFY(written_->outcome.completed());
    QCOMPARE(QList<int>(written_->mismatched.begin(), written_->mismatched.end()), mismatched);
    QCOMPARE(written_->verified(), mismatched.isEmpty());
    QFile trace(folder.filePath("trace.txt"));
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QString traced = QString::fromUtf8(trace.readAll());
    for (const int a : differing) {
      QCOMPARE(traced.contains(QString("cella %1 ").arg(a)), !mismatched.contains(a));
    }
  }

  void lostDeviceEndsEveryWaitAtOnce_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("ready wait") << 0;
    QTest::newRow("read") << 1;
    QTest::newRow("acknowledgement wait") << 2;
    QTest::newRow("read-back") << 3;
  }
  void lostDeviceEndsEveryWaitAtOnce() {
    QFETCH(int, kind);
    if (kind == 0) session_->connectAndRead(recordRead());
    if (kind == 1) session_->readMemory(recordRead());
    if (kind >= 2) session_->program({1, 2, 3}, recordWrite());
    if (kind == 1) QCOMPARE(nextWritten(), QByteArray("R") + char(0));
    if (kind == 2) QCOMPARE(nextWritten(), QByteArray("W") + char(0) + char(1));
    if (kind == 3) {
      answerWrites(3);
      QCOMPARE(nextWritten(), QByteArray("R") + char(0));  // past the guard: the read-back runs
    }
    QSignalSpy lost(session_, &TransmitterSession::deviceLost);
    port_->unplug();
    QCOMPARE(lost.count(), 1);
    QVERIFY(outcome_);  // at once, not after Timer1
    QCOMPARE(outcome_->kind, OutcomeKind::DeviceLost);
    QCOMPARE(outcome_->port_error.number, 9);
    if (kind == 3) QVERIFY(written_->writes_completed);
  }

  // Before the first write the backup hook gets what the last read of this
  // connection returned, marked when the read was out of step; with no read
  // in this connection the run still goes, without a backup. An earlier
  // connection's read (perhaps of another unit) never stands in.
  void aBackupHoldsTheLastReadOfThisConnection_data() {
    QTest::addColumn<int>("second");  // 0: a clean read; 1: a read out of step; 2: no read (connect cancelled)
    QTest::newRow("clean read") << 0;
    QTest::newRow("read out of step") << 1;
    QTest::newRow("no read in this connection") << 2;
  }
  void aBackupHoldsTheLastReadOfThisConnection() {
    QFETCH(int, second);
    std::vector<ReadResult> handed;
    session_->setBackupHook([&handed](const ReadResult& read) -> BackupResult {
      handed.push_back(read);
      return BackupTaken{.path = "backup.json"};
    });
    port_->close();
    QVERIFY(session_->connectAndRead(recordRead()));
    port_->feed("K");
    QCOMPARE(nextWritten(), QByteArray("UR") + char(0));
    port_->feed(QByteArray(1, char(pattern()[0])));
    answerReads(pattern(), 1);
    QTRY_VERIFY(outcome_ && outcome_->completed());
    port_->unplug();

    outcome_.reset();
    MemoryRead read{};
    read.fill(7);
    QVERIFY(session_->connectAndRead(recordRead()));
    if (second == 2) {
      session_->cancel();
      QVERIFY(port_->isOpen());
    } else {
      port_->feed("K");
      QCOMPARE(nextWritten(), QByteArray("UR") + char(0));
      // One reply too many puts the whole read out of step.
      port_->feed(second == 1 ? QByteArray("\x07\x07") : QByteArray("\x07"));
      answerReads(read, 1);
    }
    QTRY_VERIFY(outcome_);
    QCOMPARE(read_.out_of_step, second == 1);

    outcome_.reset();
    QVERIFY(session_->program({1, 2, 3}, recordWrite()));
    answerWrites(3);  // nothing stops the writes
    answerReads(read);
    QTRY_VERIFY(written_ && written_->writes_completed);
    QCOMPARE(handed.size(), std::size_t(second == 2 ? 0 : 1));
    QCOMPARE(written_->backup_path, second == 2 ? QString() : QString("backup.json"));
    QCOMPARE(written_->backup_skipped_unread, second == 2);
    if (second != 2) {
      QCOMPARE(handed[0].cells, read);
      QCOMPARE(handed[0].out_of_step, second == 1);
    }
  }

  // The backup is taken before the first write, and what it leaves for
  // after the run (retiring old backups) waits for the run's end, so it
  // delays no command. A backup that fails ends the run with its reason
  // before anything is sent.
  void theBackupComesFirstAndItsTidyingLast_data() {
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << true;
    QTest::newRow("failed") << false;
  }
  void theBackupComesFirstAndItsTidyingLast() {
    QFETCH(bool, saved);
    const FileError failure{.fault = FileFault::FolderNotMade, .path = "backups", .reason = "No space left on device"};
    std::optional<QByteArray> written_before;
    bool tidied = false;
    session_->setBackupHook([&](const ReadResult&) -> BackupResult {
      written_before = port_->written();
      if (!saved) return failure;
      return BackupTaken{.path = "backup.json", .after_run = [&tidied] { tidied = true; }};
    });
    QVERIFY(session_->readMemory(recordRead()));
    answerReads(pattern());
    QTRY_VERIFY(outcome_ && outcome_->completed());

    outcome_.reset();
    QVERIFY(session_->program({1, 2, 3}, recordWrite()));
    QCOMPARE(written_before.value_or("no backup taken"), QByteArray());
    if (!saved) {
      QVERIFY(written_);
      QCOMPARE(written_->outcome.kind, OutcomeKind::BackupFailed);
      QCOMPARE(written_->outcome.backup_failure, failure);
      QCOMPARE(port_->written(), QByteArray());
      return;
    }
    QVERIFY(port_->written().startsWith(QByteArray("W") + char(0)));
    answerWrites(3);
    QVERIFY(!tidied);
    answerReads(pattern());
    QTRY_VERIFY(written_ && written_->writes_completed);
    QVERIFY(tidied);
    QCOMPARE(session_->lastBackupPath(), QString("backup.json"));
  }

  void cancelEndsTheOperationAsCancelled() {
    QVERIFY(session_->connectAndRead(recordRead()));
    session_->cancel();
    QVERIFY(outcome_);
    QCOMPARE(outcome_->kind, OutcomeKind::Cancelled);
    QVERIFY(!session_->busy());
  }

  void aFailingOpenIsAPortError() {
    port_->close();
    port_->failNextOpen(PortError{2, "Permission denied"});
    QVERIFY(session_->connectAndRead(recordRead()));
    QVERIFY(outcome_);
    QCOMPARE(outcome_->kind, OutcomeKind::PortError);
    QCOMPARE(outcome_->port_error.description, QString("Permission denied"));
    QVERIFY(!session_->busy());
  }

  void endSessionSendsTheLetterThenCloses() {
    session_->endSession('Q');
    QCOMPARE(port_->takeWritten(), QByteArray("Q"));
    QVERIFY(!port_->isOpen());
    session_->endSession('E');  // closed: nothing to send, nothing fails
    QVERIFY(port_->takeWritten().isEmpty());
  }

  // A callback that destroys the service must not leave it reading its own
  // freed state (checked by the sanitizer build).
  void aCallbackMayDestroyTheService() {
    QVERIFY(session_->readMemory([this](const Outcome&, const ReadResult&) {
      delete std::exchange(session_, nullptr);
    }));
    for (int a = 0; a < read_count; ++a) {
      QCOMPARE(nextWritten(), QByteArray("R") + char(a));
      port_->feed(QByteArray(1, char(a)));
    }
    QTRY_VERIFY(session_ == nullptr);
  }
};

QTEST_GUILESS_MAIN(TestTransmitterSession)
#include "test_transmitter_session.moc"
