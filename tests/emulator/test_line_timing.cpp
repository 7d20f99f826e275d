// The paced line: each byte takes 1/240 s (ten bits at 2400 baud), bytes in
// one direction follow each other, the two directions run at the same time,
// and the device may take its time before acknowledging a write.

#include "emulator/emulated_link.h"

#include <QElapsedTimer>
#include <QTest>

using namespace quarn;
using namespace std::chrono_literals;

namespace {

constexpr double byte_ms = 1000.0 / 240;
// Timers may fire late on a busy machine, never early.
constexpr double late_ms = 25;

// Milliseconds from now until `count` bytes have reached the PC's end; -1 if
// they never do.
double ms_until_received(EmulatedLink& link, int count) {
  QElapsedTimer clock;
  clock.start();
  double at = -1;
  const auto connection = QObject::connect(&link, &SerialLink::bytesArrived, [&] {
    if (at < 0 && link.bytesWaiting() >= count) at = double(clock.nsecsElapsed()) / 1e6;
  });
  if (!QTest::qWaitFor([&] { return at >= 0; }, 2000)) at = -1;
  QObject::disconnect(connection);
  return at;
}

}  // namespace

class TestLineTiming : public QObject {
  Q_OBJECT

 private slots:
  void bytesTakeTheirTimeOneAfterAnother_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("one byte") << 1;
    QTest::newRow("four bytes") << 4;
    QTest::newRow("twelve bytes") << 12;
  }
  // Reads of a cell, each answered by one byte: the answer to the last one
  // leaves once its address is through, while the earlier answers travelled
  // during the later commands.
  void bytesTakeTheirTimeOneAfterAnother() {
    QFETCH(int, count);
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    QTRY_COMPARE(link.bytesWaiting(), 1);
    link.read();
    link.write("U");
    QByteArray reads;
    for (int i = 0; i < count; ++i) reads += QByteArray("R\x05");
    link.write(reads);

    const double expected = (1 + 2 * count + 1) * byte_ms;
    const double elapsed = ms_until_received(link, count);
    QVERIFY2(elapsed >= expected - 1 && elapsed <= expected + late_ms,
             qPrintable(QStringLiteral("%1 ms for %2 ms of line time").arg(elapsed).arg(expected)));
  }

  void readyTakesOneByteTime() {
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    QCOMPARE(link.bytesWaiting(), 0);
    const double elapsed = ms_until_received(link, 1);
    QVERIFY2(elapsed >= byte_ms - 1 && elapsed <= byte_ms + late_ms, qPrintable(QString::number(elapsed)));
  }

  void trafficLogShowsBytesBackToBack() {
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    link.write(QByteArray(10, 'x'));
    QTRY_COMPARE(transmitter.traffic().size(), std::size_t(11));
    const double span = transmitter.traffic().back().ms - transmitter.traffic()[1].ms;
    QVERIFY2(span >= 9 * byte_ms - 1 && span <= 9 * byte_ms + late_ms, qPrintable(QString::number(span)));
  }

  void writeDelayHoldsTheAcknowledgement_data() {
    QTest::addColumn<bool>("paced");
    QTest::addColumn<double>("expected");  // ms from the write to the "K"
    QTest::newRow("paced") << true << 40 + 4 * byte_ms;
    QTest::newRow("unpaced") << false << 40.0;
  }
  void writeDelayHoldsTheAcknowledgement() {
    QFETCH(bool, paced);
    QFETCH(double, expected);
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)),
                                    {.paced = paced, .write_delay = 40ms});
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    QTRY_COMPARE(link.bytesWaiting(), 1);
    link.read();
    link.write("U");
    QTest::qWait(20);
    link.write(QByteArray("W\x05\x07"));
    const double elapsed = ms_until_received(link, 1);
    QVERIFY2(elapsed >= expected - 1 && elapsed <= expected + late_ms, qPrintable(QString::number(elapsed)));
    QCOMPARE(link.read(), QByteArray("K"));
  }
};

QTEST_GUILESS_MAIN(TestLineTiming)
#include "test_line_timing.moc"
