// The paced line: each byte takes 1/240 s (ten bits at 2400 baud), bytes in
// one direction follow each other, the two directions run at the same time,
// and the device may take its time before acknowledging a write. The plan of
// arrival times stays exact however late the deliveries, and how late they
// were is measured against it.

#include "emulator/emulated_link.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <algorithm>

using namespace quarn;
using namespace std::chrono_literals;

namespace {

constexpr double byte_ms = 1000.0 / 240;
// The plan in the log: whole nanoseconds shown as milliseconds.
constexpr double planned_byte_ms = double(PacedLine::byte_time.count()) / 1e6;
constexpr double plan_rounding_ms = 1e-6;
// Timers may fire late on a busy machine, never early: arrivals are held to
// no earlier than the plan, and the plan itself to the byte times.

// Milliseconds from now until `count` bytes have reached the PC's end; -1 if
// they never do.
double ms_until_received(EmulatedLink& link, int count) {
  QElapsedTimer clock;
  clock.start();
  double at = -1;
  const auto connection = QObject::connect(&link, &SerialLink::bytesArrived, [&] {
    if (at < 0 && link.bytesWaiting() >= count) at = double(clock.nsecsElapsed()) / 1e6;
  });
  if (!QTest::qWaitFor([&] { return at >= 0; }, 60'000)) at = -1;
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
    QVERIFY2(elapsed >= expected - 1, qPrintable(QStringLiteral("%1 ms for %2 ms of line time").arg(elapsed).arg(expected)));
    // The last reply is planned one byte time after the last address, which
    // follows the "U" back to back.
    const std::vector<TrafficEntry>& log = transmitter.traffic();
    const auto u = std::find_if(log.begin(), log.end(), [](const TrafficEntry& e) { return e.byte == 'U'; });
    QVERIFY(u != log.end());
    QVERIFY(qAbs(log.back().planned_ms - u->planned_ms - (2 * count + 1) * planned_byte_ms) < plan_rounding_ms);
  }

  void readyTakesOneByteTime() {
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    QCOMPARE(link.bytesWaiting(), 0);
    const double elapsed = ms_until_received(link, 1);
    QVERIFY2(elapsed >= byte_ms - 1, qPrintable(QString::number(elapsed)));
  }

  void trafficLogShowsBytesBackToBack() {
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    link.write(QByteArray(10, 'x'));
    QTRY_COMPARE(transmitter.traffic().size(), std::size_t(11));
    // The ready "K" travels the other way at the same time, so its place
    // among the ten is not fixed.
    std::vector<TrafficEntry> sent;
    for (const TrafficEntry& entry : transmitter.traffic())
      if (entry.direction == TrafficEntry::Direction::ToTransmitter) sent.push_back(entry);
    QCOMPARE(sent.size(), std::size_t(10));
    // Planned one byte time apart, each arriving no earlier than planned.
    for (std::size_t i = 0; i < sent.size(); ++i) {
      QVERIFY(qAbs(sent[i].planned_ms - sent.front().planned_ms - double(i) * planned_byte_ms) < plan_rounding_ms);
      QVERIFY(sent[i].ms >= sent[i].planned_ms);
    }
  }

  // The configurator's full read, 63 steps written at once, with the event
  // loop held up for 60 ms right after the write, as a busy machine may do:
  // the first dozen bytes are then delivered late and together. The plan
  // must not move: the commands follow each other at exact byte times, each
  // reply is planned one byte time after the address it answers rather than
  // after the late delivery, and the last reply ends 1 + 2 * 63 byte times
  // after the "U", as the byte count says. Planned times, unlike arrival
  // times, do not depend on how busy the machine is.
  void repliesKeepThePlanThroughALateWakeUp() {
    EmulatedTransmitter transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)));
    EmulatedLink link(transmitter);
    QVERIFY(!link.open());
    QTRY_COMPARE(link.bytesWaiting(), 1);
    link.read();
    const std::size_t before = transmitter.traffic().size();
    QByteArray commands("U");
    for (int i = 0; i < read_count; ++i) commands += QByteArray("R\x05");
    link.write(commands);
    QThread::msleep(60);
    QTRY_COMPARE_WITH_TIMEOUT(link.bytesWaiting(), read_count, 60'000);

    const std::vector<TrafficEntry> exchange(transmitter.traffic().begin() + qsizetype(before),
                                             transmitter.traffic().end());
    QCOMPARE(exchange.size(), std::size_t(commands.size() + read_count));
    // The log lists each delivery as it came, so commands and replies are
    // taken apart first: the address bytes are every second command byte.
    std::vector<double> commands_planned;
    std::vector<double> replies_planned;
    double latest = 0;
    for (const TrafficEntry& entry : exchange) {
      QVERIFY2(entry.ms >= entry.planned_ms, "delivered before its planned time");
      latest = std::max(latest, entry.ms - entry.planned_ms);
      (entry.direction == TrafficEntry::Direction::ToTransmitter ? commands_planned : replies_planned)
          .push_back(entry.planned_ms);
    }
    QCOMPARE(replies_planned.size(), std::size_t(read_count));
    const double start = commands_planned.front();  // the "U"
    for (std::size_t i = 0; i < commands_planned.size(); ++i)
      QVERIFY(qAbs(commands_planned[i] - (start + double(i) * planned_byte_ms)) < plan_rounding_ms);
    for (std::size_t k = 0; k < replies_planned.size(); ++k) {
      const double address = commands_planned[2 * k + 2];
      QVERIFY2(qAbs(replies_planned[k] - (address + planned_byte_ms)) < plan_rounding_ms,
               qPrintable(QStringLiteral("reply planned %1 ms after its address").arg(replies_planned[k] - address)));
    }
    QVERIFY(qAbs(replies_planned.back() - (start + (1 + 2 * read_count) * planned_byte_ms)) < plan_rounding_ms);
    // The stall did make deliveries late, so the plan was tested against it.
    QVERIFY2(latest > 20, qPrintable(QString::number(latest)));
  }

  // The device's ready announcement comes every 500 ms and is empty during a
  // session; sent while the machine runs late, it once moved the plan of the
  // next reply from the address's planned arrival to that late moment.
  void sendingNothingLeavesThePlan() {
    QElapsedTimer clock;
    clock.start();
    PacedLine line(clock, true);
    QList<qint64> planned;
    connect(&line, &PacedLine::delivered, this, [&](const QByteArray&, const QList<qint64>& p) { planned += p; });
    const qint64 start = clock.nsecsElapsed();
    line.sendFrom(start + 50'000'000, QByteArray());
    line.sendFrom(start, QByteArray("K"));
    QTRY_COMPARE(planned.size(), 1);
    QCOMPARE(planned.front(), start + PacedLine::byte_time.count());
  }

  void latenessIsMeasuredAgainstThePlan_data() {
    QTest::addColumn<QList<double>>("late");  // ms after the planned time
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("p99");
    QTest::addColumn<double>("max");
    QList<double> hundred;
    for (int i = 100; i >= 1; --i) hundred << i / 100.0;
    QTest::newRow("none") << QList<double>{} << 0.0 << 0.0 << 0.0;
    QTest::newRow("one") << QList<double>{0.25} << 0.25 << 0.25 << 0.25;
    QTest::newRow("hundred, in any order") << hundred << 0.50 << 0.99 << 1.00;
    QTest::newRow("ten: the 99th is the last") << QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 3} << 0.0 << 3.0 << 3.0;
    QTest::newRow("even count: the lower middle") << QList<double>{1, 2, 3, 4} << 2.0 << 4.0 << 4.0;
  }
  void latenessIsMeasuredAgainstThePlan() {
    QFETCH(QList<double>, late);
    QFETCH(double, median);
    QFETCH(double, p99);
    QFETCH(double, max);
    std::vector<TrafficEntry> traffic;
    for (double ms : late) traffic.push_back({TrafficEntry::Direction::ToClient, 'K', 1000 + ms, 1000});
    const Spread lateness = lateness_of(traffic);
    QCOMPARE(lateness.count, std::size_t(late.size()));
    QVERIFY(qAbs(lateness.median - median) < 1e-9);
    QVERIFY(qAbs(lateness.p99 - p99) < 1e-9);
    QVERIFY(qAbs(lateness.max - max) < 1e-9);
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
    link.write(QByteArray("W\x05\x07"));
    const double elapsed = ms_until_received(link, 1);
    QVERIFY2(elapsed >= expected - 1, qPrintable(QString::number(elapsed)));
    QCOMPARE(link.read(), QByteArray("K"));
    // Planned from the value's arrival: the delay, then the "K"'s own byte time.
    const std::vector<TrafficEntry>& log = transmitter.traffic();
    const double from_value = log.back().planned_ms - log[log.size() - 2].planned_ms;
    QVERIFY2(qAbs(from_value - (40 + (paced ? planned_byte_ms : 0))) < plan_rounding_ms, qPrintable(QString::number(from_value)));
  }
};

QTEST_GUILESS_MAIN(TestLineTiming)
#include "test_line_timing.moc"
