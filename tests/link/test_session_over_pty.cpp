// The transfer service through the real serial port: QSerialPort on a
// pseudo-terminal served by the emulated transmitter, line unpaced, with its
// faults: what each operation reports and what the device then holds.

#include "config/factory_defaults.h"
#include "emulator/pty_transmitter.h"
#include "link/qt_serial_link.h"
#include "link/transmitter_session.h"

#include <QElapsedTimer>
#include <QTest>

using namespace quarn;

namespace {

// Runs the event loop until `done` holds; unlike QTest::qWaitFor it never
// sleeps between passes, so a few hundred round trips take milliseconds.
bool run_until(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeout_ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return done();
}

// What one operation may take at most on a loaded machine; reached only when
// something is wrong.
constexpr int patience_ms = 60'000;

MemoryImage uhf_new() { return factory_default_cells(Band::Uhf, Generation::New); }

// A transmitter on its own pseudo-terminal, reached as "Com 1".
struct PtyBench {
  explicit PtyBench(const TransmitterFaults& faults)
      : transmitter(TransmitterModel(uhf_new(), faults), unpaced()), pty(transmitter), session(port) {
    pty_error = pty.open();
    qputenv("QUARN_COM1", pty.slavePath().toUtf8());
  }
  static LineTiming unpaced() {
    LineTiming timing;
    timing.paced = false;
    return timing;
  }

  std::optional<std::pair<Outcome, ReadResult>> connect() {
    std::optional<std::pair<Outcome, ReadResult>> result;
    if (pty_error) return result;
    session.connectAndRead([&](const Outcome& o, const ReadResult& r) { result = {o, r}; });
    if (!run_until([&] { return result.has_value(); }, patience_ms)) return std::nullopt;
    return result;
  }

  std::optional<WriteResult> program(std::vector<std::uint8_t> writes) {
    std::optional<WriteResult> result;
    session.program(std::move(writes), [&](const WriteResult& r) { result = r; });
    if (!run_until([&] { return result.has_value(); }, patience_ms)) return std::nullopt;
    return result;
  }

  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> pty_error;
  QtSerialLink port;
  TransmitterSession session;
};

std::vector<std::uint8_t> first_cells(const MemoryImage& memory, int count) {
  return {memory.begin(), memory.begin() + count};
}

}  // namespace

class TestSessionOverPty : public QObject {
  Q_OBJECT

 private slots:
  void noiseBeforeTheReadyKIsDropped() {
    TransmitterFaults faults;
    faults.noise_before_ready = true;
    PtyBench bench(faults);
    const auto read = bench.connect();
    QVERIFY(read && read->first.completed());
    QVERIFY(!read->second.out_of_step);
    QVERIFY(std::equal(read->second.cells.begin(), read->second.cells.end(), uhf_new().begin()));
  }

  // One byte too many anywhere in a read is seen, whether it is dropped
  // before a command or lands in the guard after the last reply.
  void aSpareByteMarksTheReadOutOfStep_data() {
    QTest::addColumn<int>("extra_after_read_at");
    QTest::addColumn<bool>("double_ready");
    QTest::newRow("extra byte after cell 0") << 0 << false;
    QTest::newRow("extra byte after cell 62") << 62 << false;
    QTest::newRow("doubled ready K") << -1 << true;
  }
  void aSpareByteMarksTheReadOutOfStep() {
    QFETCH(int, extra_after_read_at);
    QFETCH(bool, double_ready);
    TransmitterFaults faults;
    if (extra_after_read_at >= 0) faults.extra_after_read_at = extra_after_read_at;
    faults.double_ready = double_ready;
    PtyBench bench(faults);
    const auto read = bench.connect();
    QVERIFY(read && read->first.completed());
    QVERIFY(read->second.out_of_step);
  }

  void strayByteBeforeTheKFailsWhenTimer1RunsOut() {
    TransmitterFaults faults;
    faults.stray_before_ack_at = 3;
    PtyBench bench(faults);
    QVERIFY(bench.connect());
    bool waited_for_timer1 = false;
    QObject::connect(&bench.transmitter, &EmulatedTransmitter::stepUnanswered, [&] {
      waited_for_timer1 = bench.session.timer1().isActive();
      bench.session.runTimer1Out();
    });
    const auto result = bench.program(first_cells(uhf_new(), 62));
    QVERIFY(result);
    QVERIFY(waited_for_timer1);  // still waiting when the device had sent all it would
    QCOMPARE(result->outcome.kind, OutcomeKind::NoAcknowledgement);
    QCOMPARE(result->outcome.address, 3);
  }

  // "KK" on the last write: every cell was stored and reads back right, but
  // the device said more than it was asked, so the run is not confirmed.
  void doubledKOnTheLastWriteLeavesTheRunUnconfirmed() {
    TransmitterFaults faults;
    faults.double_ack_at = 61;
    PtyBench bench(faults);
    QVERIFY(bench.connect());
    const auto result = bench.program(first_cells(uhf_new(), 62));
    QVERIFY(result && result->writes_completed);
    QVERIFY(result->writes_out_of_step && result->mismatched.empty());
    QVERIFY(!result->verified());
  }

  void storingAnotherValueIsCaughtByTheReadBack() {
    TransmitterFaults faults;
    faults.store_other_at = 12;
    PtyBench bench(faults);
    QVERIFY(bench.connect());
    const auto result = bench.program(first_cells(uhf_new(), 62));
    QVERIFY(result && result->outcome.completed());
    QCOMPARE(result->mismatched, std::vector<int>{12});
  }

  void closingThePortEndsAnAcknowledgementWaitAtOnce() {
    TransmitterFaults faults;
    faults.no_ack_from = 0;
    PtyBench bench(faults);
    QVERIFY(bench.connect());
    std::optional<WriteResult> result;
    bool unanswered = false;
    QObject::connect(&bench.transmitter, &EmulatedTransmitter::stepUnanswered, [&] { unanswered = true; });
    bench.session.program({1, 2, 3}, [&](const WriteResult& r) { result = r; });
    QVERIFY(run_until([&] { return unanswered; }, patience_ms));  // the first write waits for its "K"
    bench.session.endSession(letter::end);  // what Disconetti does before it cancels
    bench.session.cancel();
    QVERIFY(result);  // at once, not after Timer1
    QCOMPARE(result->outcome.kind, OutcomeKind::Cancelled);
    QTRY_VERIFY_WITH_TIMEOUT(!bench.transmitter.model().inSession(), patience_ms);  // the "E" got through before the close
  }
};

QTEST_GUILESS_MAIN(TestSessionOverPty)
#include "test_session_over_pty.moc"
