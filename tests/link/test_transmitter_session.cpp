// Session sequences over a port the test drives: how they end on a lost
// device, a cancel or a missing acknowledgement, and the one-operation guard.

#include "link/link_session.h"
#include "tests/link/scripted_link.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace quarn;

class TestLinkSession : public QObject {
  Q_OBJECT

  QObject window_;
  ScriptedLink* port_ = nullptr;
  LinkSession* session_ = nullptr;

  void answerEachWrite(const QByteArray& acknowledgements) {
    for (char ack : acknowledgements) {
      QTRY_VERIFY(session_->protocol().waiting());
      port_->feed(QByteArray(1, ack));
      QTest::qWait(1);
    }
  }

 private slots:
  void init() {
    port_ = new ScriptedLink;
    port_->open();
    session_ = new LinkSession(*port_, &window_);
    session_->protocol().timer1().setInterval(100);
  }
  void cleanup() {
    delete session_;
    delete port_;
  }

  void onlyOneOperationAtATime() {
    QVERIFY(session_->begin());
    QVERIFY(!session_->begin());
    session_->end();
    QVERIFY(session_->begin());
  }

  void lostDeviceEndsEveryWaitAtOnceAsAClosedPort_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("ready wait") << 0;
    QTest::newRow("read") << 1;
    QTest::newRow("acknowledgement wait") << 2;
  }
  void lostDeviceEndsEveryWaitAtOnceAsAClosedPort() {
    QFETCH(int, kind);
    session_->protocol().timer1().setInterval(LinkProtocol::ack_timeout_ms);
    std::optional<Stop> stop;
    const auto record = [&stop](Stop s) { stop = s; };
    QVERIFY(session_->begin());
    if (kind == 0) session_->readyWait(record);
    if (kind == 1) session_->readMemory([](int) {}, [&](Stop s, const MemoryRead&) { record(s); });
    if (kind == 2) session_->writeCells(3, [](int) { return std::uint8_t{0}; }, [](int) {}, record);
    QTest::qWait(10);
    QSignalSpy lost(session_, &LinkSession::deviceLost);
    port_->unplug();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(stop, std::optional(Stop::PortClosed));  // at once, not after Timer1
    QCOMPARE(session_->lastLoss()->number, 9);
  }

  void cancelEndsTheOperationAsCancelled() {
    std::optional<Stop> stop;
    QVERIFY(session_->begin());
    session_->readyWait([&stop](Stop s) { stop = s; });
    session_->cancel();
    QCOMPARE(stop, std::optional(Stop::Cancelled));
  }

  void readMemoryAsksEveryCellInOrder() {
    std::vector<int> progress;
    std::optional<Stop> stop;
    MemoryRead memory{};
    session_->readMemory([&](int a) { progress.push_back(a); },
                         [&](Stop s, const MemoryRead& m) {
                           stop = s;
                           memory = m;
                         });
    for (int a = 0; a < read_count; ++a) {
      QTRY_VERIFY(session_->protocol().waiting());
      QCOMPARE(port_->takeWritten(), QByteArray("R") + char(a));
      port_->feed(QByteArray(1, char(255 - a)));
      QTest::qWait(1);
    }
    QTRY_COMPARE(stop, std::optional(Stop::Completed));
    QCOMPARE(progress.size(), std::size_t(read_count));
    QCOMPARE(progress.back(), read_count - 1);
    QCOMPARE(memory[0], std::uint8_t(255));
    QCOMPARE(memory[62], std::uint8_t(255 - 62));
  }

  void writeCellsStopsAtTheFirstMissingAcknowledgement() {
    std::optional<Stop> stop;
    int asked = 0;
    session_->writeCells(
        5,
        [&asked](int a) {
          ++asked;
          return std::uint8_t(a * 10);
        },
        [](int) {}, [&stop](Stop s) { stop = s; });
    answerEachWrite("KK");
    QTRY_COMPARE(stop, std::optional(Stop::TimedOut));
    QCOMPARE(port_->takeWritten(), QByteArray("W") + char(0) + char(0) + "W" + char(1) + char(10) + "W" + char(2) +
                                       char(20));
    QCOMPARE(asked, 3);  // nothing past the failed step was even asked for
  }

  void endSessionSendsTheLetterThenCloses() {
    session_->endSession('Q');
    QCOMPARE(port_->takeWritten(), QByteArray("Q"));
    QVERIFY(!port_->isOpen());
    session_->endSession('E');  // closed: nothing to send, nothing fails
    QVERIFY(port_->takeWritten().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestLinkSession)
#include "test_link_session.moc"
