// The three waits of the command protocol against a port the test drives.

#include "link/link_protocol.h"
#include "tests/link/scripted_link.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace quarn;

namespace {

// Timer1 keeps its 4 s but where a test is about its timing.
constexpr int short_timeout_ms = 150;

template <typename T>
struct Outcome {
  bool called = false;
  T value{};
  auto sink() {
    return [this](T v) {
      called = true;
      value = v;
    };
  }
};

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

}  // namespace

class TestLinkProtocol : public QObject {
  Q_OBJECT

  QObject window_;
  ScriptedLink* port_ = nullptr;
  LinkProtocol* protocol_ = nullptr;

 private slots:
  void init() {
    port_ = new ScriptedLink;
    port_->open();
    protocol_ = new LinkProtocol(*port_, &window_);
  }
  void cleanup() {
    delete protocol_;
    delete port_;
  }

  void readyWaitDropsNoiseAndStopsAtTheK() {
    Outcome<bool> ready;
    protocol_->readyWait(ready.sink());
    port_->feed(bytes({0x78, 0x79}));
    QTRY_COMPARE(port_->waiting(), 0);  // taken and dropped
    QVERIFY(!ready.called);
    port_->feed("KR");
    QTRY_VERIFY(ready.called);
    QVERIFY(ready.value);
    QCOMPARE(port_->waiting(), 1);  // what follows the "K" is left for the next wait
  }

  void waitsTakeBytesThatArrivedBeforeTheyStarted() {
    port_->feed("K");  // no signal will come again for this byte
    Outcome<bool> ready;
    protocol_->readyWait(ready.sink());
    QVERIFY(!ready.called);  // never completes inside the call that starts it
    QTRY_VERIFY(ready.called);
    QVERIFY(ready.value);
  }

  void readStepTakesOneBytePerStep() {
    Outcome<std::optional<std::uint8_t>> first;
    protocol_->readStep(0x3E, first.sink());
    QCOMPARE(port_->takeWritten(), bytes({'R', 0x3E}));
    QCOMPARE(port_->writeCalls(), 1);  // the whole command leaves as one write
    port_->feed(bytes({0, 0x55}));     // a two-byte reply; 0 is an ordinary value
    QTRY_VERIFY(first.called);
    QCOMPARE(first.value, std::optional<std::uint8_t>(0));
    QCOMPARE(port_->waiting(), 1);  // the second byte is left for later

    // No reply can come before its command: the spare byte is dropped and
    // counted, and the next step takes its own reply.
    Outcome<std::optional<std::uint8_t>> second;
    protocol_->readStep(1, second.sink());
    QCOMPARE(protocol_->takeStrayCount(), 1);
    port_->feed(bytes({0x21}));
    QTRY_VERIFY(second.called);
    QCOMPARE(second.value, std::optional<std::uint8_t>(0x21));
  }

  void theGuardCountsAReplyTooMany() {
    Outcome<bool> quiet, spoiled;
    protocol_->guardWait(20, quiet.sink());
    QTRY_VERIFY(quiet.called);
    QVERIFY(quiet.value);
    QCOMPARE(protocol_->takeStrayCount(), 0);
    protocol_->guardWait(120'000, spoiled.sink());
    port_->feed("K");
    QTRY_VERIFY_WITH_TIMEOUT(spoiled.called, 60'000);  // at once, not after the guard time
    QCOMPARE(protocol_->takeStrayCount(), 1);
  }

  void writeStepSendsThreeBytesAndPassesOnK() {
    Outcome<bool> ack;
    protocol_->writeStep(61, 124, ack.sink());
    QCOMPARE(port_->takeWritten(), bytes({'W', 61, 124}));
    QCOMPARE(port_->writeCalls(), 1);
    QVERIFY(protocol_->timer1().isActive());
    port_->feed("K");
    QTRY_VERIFY(ack.called);
    QVERIFY(ack.value);
    QVERIFY(!protocol_->timer1().isActive());  // the answered step leaves no time-out running
  }

  // A doubled "K" still waiting when the next step starts is dropped: the
  // next step waits for its own acknowledgement.
  void doubledKWaitingIsDroppedBeforeTheNextStep() {
    Outcome<bool> first, second;
    protocol_->writeStep(0, 30, first.sink());
    port_->feed("KK");
    QTRY_VERIFY(first.called);
    QVERIFY(first.value);
    QCOMPARE(port_->waiting(), 1);
    protocol_->writeStep(1, 60, second.sink());
    QCOMPARE(protocol_->takeStrayCount(), 1);
    QCoreApplication::processEvents();  // the wait's first look at the port
    QVERIFY(!second.called);
    port_->feed("K");
    QTRY_VERIFY(second.called);
    QVERIFY(second.value);
  }

  void spoiledRepliesFailOnlyWhenTimer1RunsOut_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("stray byte then K") << bytes({0x78, 'K'});
    QTest::newRow("lower-case k") << QByteArray("k");
    QTest::newRow("silence") << QByteArray();
  }
  void spoiledRepliesFailOnlyWhenTimer1RunsOut() {
    QFETCH(QByteArray, reply);
    Outcome<bool> ack;
    protocol_->writeStep(10, 0, ack.sink());
    if (!reply.isEmpty()) port_->feed(reply);
    QTRY_COMPARE(port_->waiting(), 0);  // the wait consumed what came
    QCoreApplication::processEvents();
    QVERIFY(!ack.called);
    protocol_->runTimer1Out();
    QTRY_VERIFY(ack.called);
    QVERIFY(!ack.value);
  }

  void timer1CountsFromTheLastRestart() {
    protocol_->timer1().setInterval(short_timeout_ms);
    Outcome<bool> first, second;
    protocol_->writeStep(0, 1, first.sink());
    QTest::qWait(short_timeout_ms * 2 / 3);
    port_->feed("K");
    QTRY_VERIFY(first.called);
    QElapsedTimer clock;
    clock.start();
    protocol_->writeStep(1, 1, second.sink());
    QTRY_VERIFY(second.called);
    QVERIFY(!second.value);
    QVERIFY(clock.elapsed() >= short_timeout_ms);  // not cut short by the first start
  }

  void abortEndsTheWaitAtOnce() {
    Outcome<bool> ready;
    protocol_->readyWait(ready.sink());
    protocol_->abortWait();
    QVERIFY(ready.called);
    QVERIFY(!ready.value);
    QVERIFY(!protocol_->waiting());
  }

  void realFourSecondTimeOut() {
    Outcome<bool> ack;
    QElapsedTimer clock;
    clock.start();
    protocol_->writeStep(10, 0, ack.sink());
    port_->feed("k");
    QTRY_VERIFY_WITH_TIMEOUT(ack.called, 60'000);
    QVERIFY(!ack.value);
    QVERIFY(clock.elapsed() >= 4000);
  }
};

QTEST_GUILESS_MAIN(TestLinkProtocol)
#include "test_link_protocol.moc"
