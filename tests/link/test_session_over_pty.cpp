// The waits through the real serial port: QSerialPort on a pseudo-terminal
// served by the emulated transmitter, line unpaced, with its faults.

#include "config/factory_defaults.h"
#include "emulator/pty_transmitter.h"
#include "link/link_session.h"
#include "link/qt_serial_link.h"

#include <QElapsedTimer>
#include <QTest>

using namespace quarn;

namespace {

// A transmitter on its own pseudo-terminal, reached as "Com 1".
struct PtyBench {
  explicit PtyBench(const TransmitterFaults& faults)
      : transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New), faults), unpaced()),
        pty(transmitter),
        session(port, &window) {
    pty_error = pty.open();
    qputenv("QUARN_COM1", pty.slavePath().toUtf8());
    session.protocol().timer1().setInterval(200);
  }
  static LineTiming unpaced() {
    LineTiming timing;
    timing.paced = false;
    return timing;
  }

  // Opens the port and completes the handshake.
  bool begin() {
    if (pty_error || port.open()) return false;
    std::optional<Stop> ready;
    session.readyWait([&ready](Stop s) { ready = s; });
    if (!QTest::qWaitFor([&] { return ready.has_value(); }, 3000) || ready != Stop::Completed) return false;
    session.protocol().send(letter::begin);
    return true;
  }

  std::optional<std::uint8_t> read(int address) {
    std::optional<std::uint8_t> value;
    bool done = false;
    session.protocol().readStep(std::uint8_t(address), [&](std::optional<std::uint8_t> v) {
      value = v;
      done = true;
    });
    return QTest::qWaitFor([&] { return done; }, 3000) ? value : std::nullopt;
  }

  std::optional<bool> write(int address, int value) {
    std::optional<bool> acknowledged;
    session.protocol().writeStep(std::uint8_t(address), std::uint8_t(value), [&](bool ok) { acknowledged = ok; });
    if (!QTest::qWaitFor([&] { return acknowledged.has_value(); }, 6000)) return std::nullopt;
    return acknowledged;
  }

  QObject window;
  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> pty_error;
  QtSerialLink port;
  LinkSession session;
};

}  // namespace

class TestProtocolOverPty : public QObject {
  Q_OBJECT

 private slots:
  void noiseBeforeTheReadyKIsDropped() {
    TransmitterFaults faults;
    faults.noise_before_ready = true;
    PtyBench bench(faults);
    QVERIFY(bench.begin());
    QCOMPARE(bench.read(cell::robbery_time), std::optional<std::uint8_t>(30));
  }

  void aSecondReplyByteAnswersTheNextRead() {
    TransmitterFaults faults;
    faults.extra_after_read_at = 0;
    PtyBench bench(faults);
    QVERIFY(bench.begin());
    QCOMPARE(bench.read(0), std::optional<std::uint8_t>(30));
    QCOMPARE(bench.read(1), std::optional<std::uint8_t>(0x78));
  }

  void strayByteBeforeTheKFailsWhenTimer1RunsOut() {
    TransmitterFaults faults;
    faults.stray_before_ack_at = 0;
    PtyBench bench(faults);
    QVERIFY(bench.begin());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(bench.write(0, 30), std::optional<bool>(false));
    QVERIFY(clock.elapsed() >= 200);
  }

  void doubledKServesTheNextStep() {
    TransmitterFaults faults;
    faults.double_ack_at = 0;
    PtyBench bench(faults);
    QVERIFY(bench.begin());
    QCOMPARE(bench.write(0, 30), std::optional<bool>(true));
    QCOMPARE(bench.write(1, 60), std::optional<bool>(true));
  }

  void closingThePortEndsAnAcknowledgementWaitAtOnce() {
    TransmitterFaults faults;
    faults.no_ack_from = 0;
    PtyBench bench(faults);
    bench.session.protocol().timer1().setInterval(LinkProtocol::ack_timeout_ms);
    QVERIFY(bench.begin());
    QVERIFY(bench.session.begin());
    std::optional<Stop> stop;
    bench.session.writeCells(3, [](int) { return std::uint8_t{1}; }, [](int) {}, [&stop](Stop s) { stop = s; });
    QTest::qWait(50);
    QElapsedTimer clock;
    clock.start();
    bench.session.cancel();  // what Disconetti does before it closes the port
    bench.session.endSession(letter::end);
    QCOMPARE(stop, std::optional(Stop::Cancelled));
    QVERIFY(clock.elapsed() < 500);
    QTRY_VERIFY(!bench.transmitter.model().inSession());  // the "E" got through before the close
  }
};

QTEST_GUILESS_MAIN(TestProtocolOverPty)
#include "test_protocol_over_pty.moc"
