// The device side of the command protocol, byte by byte, with and without faults.

#include "emulator/transmitter_model.h"

#include <QTest>

using namespace quarn;

Q_DECLARE_METATYPE(quarn::TransmitterFaults)

namespace {

// Cell n holds 0xA0 + n, so that every answer names its cell.
MemoryImage numbered_cells() {
  MemoryImage memory{};
  for (int address = 0; address < memory_size; ++address) memory[address] = std::uint8_t(0xA0 + address);
  return memory;
}

QByteArray numbered(int address) { return QByteArray(1, char(0xA0 + address)); }

QByteArray as_bytes(const TransmitterModel::Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// Everything the device answers to the bytes, in order.
QByteArray feed(TransmitterModel& model, const QByteArray& input) {
  QByteArray output;
  for (const char byte : input) output += as_bytes(model.receive(std::uint8_t(byte)).bytes);
  return output;
}

QByteArray stored(const TransmitterModel& model, int first, int count) {
  return QByteArray(reinterpret_cast<const char*>(model.memory().data()) + first, count);
}

}  // namespace

class TestTransmitterModel : public QObject {
  Q_OBJECT

 private slots:
  void commands_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("inSession");

    QTest::newRow("nothing before U") << QByteArray("R\x05W\x05\x07Q") << QByteArray() << false;
    QTest::newRow("U opens a session") << QByteArray("U") << QByteArray() << true;
    QTest::newRow("read answers the cell") << QByteArray("UR\x05R\x3C") << numbered(5) + numbered(60) << true;
    QTest::newRow("write is acknowledged") << QByteArray("UW\x05\x07") << QByteArray("K") << true;
    QTest::newRow("written value reads back") << QByteArray("UW\x05\x07R\x05") << QByteArray("K\x07") << true;
    QTest::newRow("letters as values are data") << QByteArray("UW\x05QR\x05") << QByteArray("KQ") << true;
    QTest::newRow("second U and unknown letters ignored") << QByteArray("UUZR\x05") << numbered(5) << true;
    QTest::newRow("E ends the session") << QByteArray("UER\x05") << QByteArray() << false;
    QTest::newRow("Q ends the session") << QByteArray("UQR\x05") << QByteArray() << false;
    QTest::newRow("new session after E") << QByteArray("UEUR\x05") << numbered(5) << true;
  }
  void commands() {
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(bool, inSession);
    TransmitterModel model(numbered_cells());
    QCOMPARE(feed(model, input), output);
    QCOMPARE(model.inSession(), inSession);
  }

  void writeStoresOnlyInASession() {
    TransmitterModel model(numbered_cells());
    feed(model, QByteArray("W\x05\x07"));
    QCOMPARE(stored(model, 5, 1), numbered(5));
    feed(model, QByteArray("UW\x05\x07W\x3F\x00", 7));
    QCOMPARE(stored(model, 5, 1), QByteArray("\x07"));
    QCOMPARE(stored(model, 63, 1), QByteArray(1, '\0'));
  }

  void readyAnnouncementOnlyOutsideASession() {
    TransmitterModel model(numbered_cells());
    QCOMPARE(as_bytes(model.announcement()), QByteArray("K"));
    feed(model, "U");
    QCOMPARE(as_bytes(model.announcement()), QByteArray());
    feed(model, "E");
    QCOMPARE(as_bytes(model.announcement()), QByteArray("K"));
  }

  void testTransmissionsAreCounted() {
    TransmitterModel model(numbered_cells());
    feed(model, "QUEQ");
    QCOMPARE(model.testTransmissions(), 0);
    feed(model, "UQUQ");
    QCOMPARE(model.testTransmissions(), 2);
  }

  void clientLeavingEndsSessionAndHalfCommand() {
    TransmitterModel model(numbered_cells());
    feed(model, "UR");
    model.clientLeft();
    QVERIFY(!model.inSession());
    QCOMPARE(feed(model, "\x05"), QByteArray());
    QCOMPARE(feed(model, "UR\x05"), numbered(5));
  }

  void faults_data() {
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("cells5to7");  // stored afterwards

    const QByteArray writes_5_6_7("UW\x05\x01W\x06\x02W\x07\x03");
    const QByteArray untouched = numbered(5) + numbered(6) + numbered(7);
    QTest::newRow("stray byte before one acknowledgement")
        << TransmitterFaults{.stray_before_ack_at = 6} << writes_5_6_7 << QByteArray("KxKK")
        << QByteArray("\x01\x02\x03");
    QTest::newRow("doubled acknowledgement at one address")
        << TransmitterFaults{.double_ack_at = 6} << writes_5_6_7 << QByteArray("KKKK") << QByteArray("\x01\x02\x03");
    QTest::newRow("doubled acknowledgement everywhere")
        << TransmitterFaults{.double_ack_every_write = true} << writes_5_6_7 << QByteArray("KKKKKK")
        << QByteArray("\x01\x02\x03");
    QTest::newRow("lower-case acknowledgement")
        << TransmitterFaults{.lowercase_ack = true} << writes_5_6_7 << QByteArray("kkk") << QByteArray("\x01\x02\x03");
    QTest::newRow("no acknowledgement from an address on, reads still answered")
        << TransmitterFaults{.no_ack_from = 6} << writes_5_6_7 + "R\x06" << QByteArray("K") + numbered(6)
        << QByteArray("\x01") + numbered(6) + numbered(7);
    QTest::newRow("extra byte after one read")
        << TransmitterFaults{.extra_after_read_at = 5} << QByteArray("UR\x05R\x06") << numbered(5) + "x" + numbered(6)
        << untouched;
    QTest::newRow("silent device answers nothing")
        << TransmitterFaults{.silent = true} << writes_5_6_7 + "R\x05" << QByteArray() << untouched;
    QTest::newRow("hang at a read: nothing more answered or stored")
        << TransmitterFaults{.hang_at_read = 6} << QByteArray("UR\x05R\x06W\x05\x01R\x05") << numbered(5) << untouched;
    QTest::newRow("gone at a read: nothing more answered or stored")
        << TransmitterFaults{.vanish_at_read = 6} << QByteArray("UR\x06W\x05\x01R\x05") << QByteArray() << untouched;
    QTest::newRow("gone at a write: that cell and the rest not stored")
        << TransmitterFaults{.vanish_at_write = 6} << writes_5_6_7 << QByteArray("K") << QByteArray("\x01") + numbered(6) + numbered(7);
    QTest::newRow("late acknowledgement: stored and answered, the line holds it")
        << TransmitterFaults{.late_ack_at = 6} << writes_5_6_7 << QByteArray("KKK") << QByteArray("\x01\x02\x03");
  }
  void faults() {
    QFETCH(TransmitterFaults, faults);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, cells5to7);
    TransmitterModel model(numbered_cells(), faults);
    QCOMPARE(feed(model, input), output);
    QCOMPARE(stored(model, 5, 3), cells5to7);
  }

  // The junk comes ahead of the reply, every byte value in turn: a "K"
  // inside it must not pass for the reply.
  void aFloodPrecedesTheReplyOfItsStepOnly_data() {
    QTest::addColumn<TransmitterFaults>("faults");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("read") << TransmitterFaults{.flood_at_read = 6} << QByteArray("UR\x05R\x06R\x07")
                          << numbered(5) + "FLOOD" + numbered(6) + numbered(7);
    QTest::newRow("write") << TransmitterFaults{.flood_at_write = 6} << QByteArray("UW\x05\x01W\x06\x02W\x07\x03")
                           << QByteArray("KFLOODKK");
  }
  void aFloodPrecedesTheReplyOfItsStepOnly() {
    QFETCH(TransmitterFaults, faults);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, reply);
    QByteArray flood(TransmitterModel::flood_bytes, '\0');
    for (int i = 0; i < flood.size(); ++i) flood[i] = char(i);
    QVERIFY(flood.contains('K'));
    TransmitterModel model(numbered_cells(), faults);
    QCOMPARE(feed(model, input), reply.replace("FLOOD", flood));
  }

  // The step that vanishes or hangs is marked and the device stays deaf,
  // ready announcements included, until the client leaves; a late reply is
  // marked for the line to hold.
  void vanishHangAndLateRepliesAreMarkedOnTheirStep() {
    TransmitterModel gone(numbered_cells(), {.vanish_at_write = 6});
    feed(gone, "UW\x05\x01W\x06");
    QVERIFY(gone.receive(2).vanishes);
    QVERIFY(gone.announcement().empty());
    gone.clientLeft();
    QCOMPARE(as_bytes(gone.announcement()), QByteArray("K"));

    TransmitterModel hung(numbered_cells(), {.hang_at_read = 6});
    feed(hung, "UR");
    const TransmitterModel::Reply reply = hung.receive(6);
    QVERIFY(reply.bytes.empty() && !reply.vanishes);
    hung.clientLeft();
    QCOMPARE(feed(hung, "UR\x05"), numbered(5));

    TransmitterModel late(numbered_cells(), {.late_ack_at = 6});
    feed(late, "UW\x05");
    QVERIFY(!late.receive(1).late);
    feed(late, "W\x06");
    QVERIFY(late.receive(2).late);
  }

  void readyAnnouncementFaults() {
    QCOMPARE(as_bytes(TransmitterModel(numbered_cells(), {.noise_before_ready = true}).announcement()),
             QByteArray("xyK"));
    QCOMPARE(as_bytes(TransmitterModel(numbered_cells(), {.silent = true}).announcement()), QByteArray());
  }

  void wrongChecksumSpoilsOnlyCell61() {
    const MemoryImage loaded = factory_default_cells(Band::Uhf, Generation::New);
    TransmitterModel model(loaded, {.wrong_checksum = true});
    for (int address = 0; address < memory_size; ++address) {
      if (address == cell::block_checksum)
        QVERIFY(model.memory()[address] != loaded[address]);
      else
        QCOMPARE(model.memory()[address], loaded[address]);
    }
    QCOMPARE(feed(model, "UR\x3D"), QByteArray(1, char(model.memory()[cell::block_checksum])));
  }
};

QTEST_GUILESS_MAIN(TestTransmitterModel)
#include "test_transmitter_model.moc"
