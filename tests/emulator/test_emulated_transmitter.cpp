// The emulated transmitter behind the in-process port: delivery, connections,
// ready announcements, the test hooks and the traffic log.

#include "emulator/emulated_link.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <memory>

using namespace quarn;
using Direction = TrafficEntry::Direction;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(quarn::TrafficEntry)
Q_DECLARE_METATYPE(quarn::TransmitterFaults)

namespace {

// Without pacing, so that nothing but the event loop stands between the ends.
struct Bench {
  explicit Bench(LineTiming timing = {.paced = false}, TransmitterFaults faults = {})
      : transmitter(TransmitterModel(factory_default_cells(Band::Uhf, Generation::New), faults), timing),
        link(transmitter) {}

  QByteArray readAll() {
    QByteArray bytes;
    while (link.bytesWaiting() > 0) bytes += link.read();
    return bytes;
  }

  EmulatedTransmitter transmitter;
  EmulatedLink link;
};

}  // namespace

class TestEmulatedTransmitter : public QObject {
  Q_OBJECT

 private slots:
  void deliveryNeverHappensInsideTheCall() {
    Bench bench;
    QSignalSpy arrived(&bench.link, &SerialLink::bytesArrived);
    QVERIFY(!bench.link.open());
    QCOMPARE(bench.link.bytesWaiting(), 0);
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray("K"));

    bench.link.write("UR");
    bench.link.write(QByteArray(1, char(cell::band)));
    QCOMPARE(bench.link.bytesWaiting(), 0);
    const auto signals_so_far = arrived.count();
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(arrived.count(), signals_so_far + 1);
    QCOMPARE(bench.link.read(), QByteArray(1, char(band_uhf)));
  }

  void readHandsOverAtMostTheGranularity() {
    Bench bench;
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.link.write(QByteArray("UR\x3CR\x3E"));
    QTRY_COMPARE(bench.link.bytesWaiting(), 3);
    QCOMPARE(bench.link.read(), QByteArray("K"));
    bench.link.setReadGranularity(5);
    QCOMPARE(bench.link.read(), QByteArray("NU"));
    QCOMPARE(bench.link.read(), QByteArray());
  }

  void lettersWrittenRightBeforeCloseArrive() {
    Bench bench;
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray("K"));
    bench.link.write("U");
    bench.link.write("Q");
    bench.link.close();
    QTRY_COMPARE(bench.transmitter.model().testTransmissions(), 1);
  }

  void lettersOnTheWayStillArriveWhenTheNextClientOpens() {
    Bench bench;
    QVERIFY(!bench.link.open());
    bench.link.write("UQ");
    bench.link.close();
    QVERIFY(!bench.link.open());
    QCOMPARE(bench.transmitter.model().testTransmissions(), 1);
  }

  void newConnectionStartsWithAFreshReadyAndNothingStale() {
    Bench bench({.paced = false, .ready_period = 10min});  // one ready "K" per connection
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.link.write("UR\x05R\x06");  // answers left unread
    QTRY_COMPARE(bench.link.bytesWaiting(), 3);
    bench.link.write("R\x07");  // answer still on its way
    bench.link.close();

    QVERIFY(!bench.link.open());
    QVERIFY(!bench.transmitter.model().inSession());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray("K"));
    // The first reply after it is the new session's own: nothing stale ahead of it.
    bench.link.write("UR\x05");
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray(1, char(bench.transmitter.model().memory()[5])));
  }

  void readyRepeatsWhileNoSessionRuns() {
    Bench bench({.paced = false, .ready_period = 20ms});
    const auto only_readies = [&bench] {
      const QByteArray bytes = bench.readAll();
      return !bytes.isEmpty() && bytes == QByteArray(bytes.size(), 'K');
    };
    QVERIFY(!bench.link.open());
    QTRY_VERIFY(bench.link.bytesWaiting() >= 3);
    QVERIFY(only_readies());
    // Readies already on their way may come ahead of the reply to the
    // session's first read; none after it, for four periods and more.
    bench.link.write("UR\x05");
    QByteArray up_to_the_reply;
    const char value = char(bench.transmitter.model().memory()[5]);
    QTRY_VERIFY((up_to_the_reply += bench.readAll()).endsWith(value));
    QCOMPARE(up_to_the_reply, QByteArray(up_to_the_reply.size() - 1, 'K') + value);
    QTest::qWait(80);
    QCOMPARE(bench.link.bytesWaiting(), 0);
    bench.link.write("E");
    QTRY_VERIFY(bench.link.bytesWaiting() >= 1);
    QVERIFY(only_readies());
  }

  // Judged from the log: a busy machine may start the session late, and a
  // second ready announced before the "U" arrived is then right.
  void singleReadyWhenTheSessionStartsWithinThePeriod() {
    Bench bench({.paced = false, .ready_period = 200ms});
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.link.write("U");
    QTRY_VERIFY(bench.transmitter.model().inSession());
    QTest::qWait(300);  // more than a period
    const std::vector<TrafficEntry>& log = bench.transmitter.traffic();
    const auto u = std::find_if(log.begin(), log.end(), [](const TrafficEntry& e) { return e.direction == Direction::ToTransmitter; });
    QVERIFY(u != log.end());
    std::vector<TrafficEntry> readies;
    std::copy_if(log.begin(), log.end(), std::back_inserter(readies), [](const TrafficEntry& e) { return e.direction == Direction::ToClient; });
    for (const TrafficEntry& ready : readies) QVERIFY(ready.planned_ms <= u->ms);  // none announced in the session
    if (u->ms < readies.front().planned_ms + 200) QCOMPARE(readies.size(), std::size_t(1));
  }

  void noReadyAfterTheClientLeft() {
    Bench bench({.paced = false, .ready_period = 20ms});
    QVERIFY(!bench.link.open());
    bench.link.close();
    QTest::qWait(60);
    QVERIFY(bench.transmitter.traffic().empty());
  }

  void unplugClosesAndReportsTheLoss() {
    Bench bench;
    QSignalSpy lost(&bench.link, &SerialLink::lost);
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.link.unplug();
    QVERIFY(!bench.link.isOpen());
    QVERIFY(!bench.transmitter.hasClient());
    QCOMPARE(bench.link.bytesWaiting(), 0);
    QCOMPARE(lost.count(), 1);
    const auto error = lost.first().first().value<PortError>();
    QCOMPARE(error.number, EmulatedLink::unplugged_error_number);
    QVERIFY(!error.description.isEmpty());
  }

  // The line's echo returns each byte as it passes, so the reply comes
  // behind the command it answers.
  void echoPutsTheCommandAheadOfItsReply() {
    Bench bench({.paced = false}, {.echo = true});
    QVERIFY(!bench.link.open());
    bench.link.setReadGranularity(64);
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray("K"));
    bench.link.write(QByteArray("UR\x3CW\x05\x07", 6));
    QTRY_COMPARE(bench.link.bytesWaiting(), 8);
    QCOMPARE(bench.readAll(), QByteArray("UR\x3C", 3) + char(device_type_new) + QByteArray("W\x05\x07K", 4));
  }

  // A late acknowledgement keeps the line's late time; the others come at once.
  void aLateAcknowledgementTakesTheLateTime() {
    Bench bench({.paced = false, .late_reply = 150ms}, {.late_ack_at = 6});
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.readAll();
    // From the value's planned arrival to the "K"'s, as the line planned them.
    const auto reply_after_value_ms = [&] {
      const std::vector<TrafficEntry>& log = bench.transmitter.traffic();
      return log.back().planned_ms - log[log.size() - 2].planned_ms;
    };
    bench.link.write(QByteArray("UW\x05\x01", 4));
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(reply_after_value_ms(), 0.0);
    bench.readAll();
    QElapsedTimer clock;
    clock.start();
    bench.link.write(QByteArray("W\x06\x02", 3));
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QVERIFY(clock.elapsed() >= 150);
    QVERIFY(qAbs(reply_after_value_ms() - 150) < 1e-6);
    QCOMPARE(bench.transmitter.model().memory()[6], std::uint8_t(2));
  }

  // A step that only the PC's time-out can end is signalled once what the
  // device did send for it has reached the client; a step answered by a "K"
  // in front (even doubled) or by a value is not.
  void unansweredStepsAreSignalledAfterTheirBytes_data() {
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<int>("reply_bytes");  // what reaches the client in time
    QTest::addColumn<bool>("unanswered");
    const QByteArray write("W\x06\x02");
    const QByteArray read("R\x06");
    QTest::newRow("acknowledged") << TransmitterFaults{} << write << 1 << false;
    QTest::newRow("doubled K") << TransmitterFaults{.double_ack_at = 6} << write << 2 << false;
    QTest::newRow("value and a byte too many") << TransmitterFaults{.extra_after_read_at = 6} << read << 2 << false;
    QTest::newRow("stray byte before the K") << TransmitterFaults{.stray_before_ack_at = 6} << write << 2 << true;
    QTest::newRow("lower-case k") << TransmitterFaults{.lowercase_ack = true} << write << 1 << true;
    QTest::newRow("flood before the K") << TransmitterFaults{.flood_at_write = 6} << write
                                        << TransmitterModel::flood_bytes + 1 << true;
    QTest::newRow("no K") << TransmitterFaults{.no_ack_from = 6} << write << 0 << true;
    QTest::newRow("late K") << TransmitterFaults{.late_ack_at = 6} << write << 0 << true;
    QTest::newRow("hang at the read") << TransmitterFaults{.hang_at_read = 6} << read << 0 << true;
  }
  void unansweredStepsAreSignalledAfterTheirBytes() {
    QFETCH(TransmitterFaults, faults);
    QFETCH(QByteArray, step);
    QFETCH(int, reply_bytes);
    QFETCH(bool, unanswered);
    Bench bench({.paced = false, .ready_period = 10min, .late_reply = 10min}, faults);
    QVERIFY(!bench.link.open());
    bench.link.write("U");
    QTRY_VERIFY(bench.transmitter.model().inSession());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);  // the one ready "K"
    const auto replies = [&] {
      return int(traffic_bytes(bench.transmitter.traffic(), Direction::ToClient).size()) - 1;
    };
    std::vector<int> replies_at_signal;
    connect(&bench.transmitter, &EmulatedTransmitter::stepUnanswered, [&] { replies_at_signal.push_back(replies()); });
    bench.link.write(step);
    QTRY_COMPARE(replies(), reply_bytes);
    if (unanswered) {
      QTRY_COMPARE(replies_at_signal, std::vector<int>{reply_bytes});
    } else {
      QVERIFY(replies_at_signal.empty());
    }
  }

  // The device going away pulls the in-process adapter; opened again, the
  // port finds it ready once more.
  void aVanishingDeviceUnplugsThePort() {
    Bench bench({.paced = false}, {.vanish_at_read = 3});
    QSignalSpy lost(&bench.link, &SerialLink::lost);
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.readAll();
    bench.link.write(QByteArray("UR\x02R\x03R\x04", 7));
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!bench.link.isOpen());
    QVERIFY(!bench.transmitter.hasClient());
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    QCOMPARE(bench.readAll(), QByteArray("K"));
  }

  void openFailsWhileAFailureIsSet() {
    Bench bench;
    bench.link.setOpenFailure(PortError{2, QStringLiteral("Accesso negato")});
    const std::optional<PortError> error = bench.link.open();
    QVERIFY(error);
    QCOMPARE(error->number, 2);
    QCOMPARE(error->description, QStringLiteral("Accesso negato"));
    QVERIFY(!bench.link.isOpen());
    QVERIFY(!bench.transmitter.hasClient());
    bench.link.setOpenFailure(std::nullopt);
    QVERIFY(!bench.link.open());
    QVERIFY(bench.link.isOpen());
  }

  void trafficLogKeepsEveryByteInOrder() {
    Bench bench;
    QVERIFY(!bench.link.open());
    QTRY_COMPARE(bench.link.bytesWaiting(), 1);
    bench.link.write("UR\x3C");
    QTRY_COMPARE(bench.link.bytesWaiting(), 2);

    const std::vector<TrafficEntry>& log = bench.transmitter.traffic();
    const std::vector<std::pair<Direction, char>> expected{{Direction::ToClient, 'K'},
                                                           {Direction::ToTransmitter, 'U'},
                                                           {Direction::ToTransmitter, 'R'},
                                                           {Direction::ToTransmitter, char(cell::device_type)},
                                                           {Direction::ToClient, char(device_type_new)}};
    QCOMPARE(log.size(), expected.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
      QCOMPARE(log[i].direction, expected[i].first);
      QCOMPARE(log[i].byte, std::uint8_t(expected[i].second));
      if (i > 0) QVERIFY(log[i].ms >= log[i - 1].ms);
    }
  }

  // A client flooding the line: the device keeps what fits in its input
  // buffer, counts the rest, and memory stays flat.
  void aFloodIsCutAtTheDeviceInputBuffer() {
    Bench bench;
    QVERIFY(!bench.link.open());
    const qsizetype flood = 8 << 20;
    for (qsizetype sent = 0; sent < flood; sent += 256) bench.link.write(QByteArray(256, 'x'));
    QTRY_VERIFY(bench.transmitter.traffic().size() >= std::size_t(EmulatedTransmitter::device_input_bytes));
    QCOMPARE(bench.transmitter.droppedInput(), flood - EmulatedTransmitter::device_input_bytes);
    QVERIFY(bench.transmitter.traffic().size() < std::size_t(2 * EmulatedTransmitter::device_input_bytes));
  }

  void trafficLine_data() {
    QTest::addColumn<TrafficEntry>("entry");
    QTest::addColumn<QString>("line");
    QTest::newRow("letter to the transmitter") << TrafficEntry{Direction::ToTransmitter, 'W', 1234.56}
                                               << "   1234.6 ms  PC -> TX  57 'W'";
    QTest::newRow("letter to the PC") << TrafficEntry{Direction::ToClient, 'k', 0.0} << "      0.0 ms  TX -> PC  6B 'k'";
    QTest::newRow("unprintable value") << TrafficEntry{Direction::ToTransmitter, 0x0A, 5.0}
                                       << "      5.0 ms  PC -> TX  0A";
    QTest::newRow("high value") << TrafficEntry{Direction::ToClient, 0xFF, 5.0} << "      5.0 ms  TX -> PC  FF";
  }
  void trafficLine() {
    QFETCH(TrafficEntry, entry);
    QFETCH(QString, line);
    QCOMPARE(format_traffic(entry), line);
  }
};

QTEST_GUILESS_MAIN(TestEmulatedTransmitter)
#include "test_emulated_transmitter.moc"
