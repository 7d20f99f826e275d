#include "config/frequency.h"
#include "config/numeric_text.h"
#include "config/packet.h"
#include "config/parameter_block.h"

#include <QtTest>

using quarn::CodeMode;

namespace {

QList<int> ints(const auto& bytes) { return QList<int>(bytes.begin(), bytes.end()); }

}  // namespace

class TestFrequencyPacket : public QObject {
  Q_OBJECT

 private slots:
  void encodeFrequency_data();
  void encodeFrequency();
  void decodeFrequency_data();
  void decodeFrequency();
  void limits_data();
  void limits();
  void buildPacket_data();
  void buildPacket();
  void decodePacket_data();
  void decodePacket();
  void blockChecksum_data();
  void blockChecksum();
  void generationOfDeviceType();
};

void TestFrequencyPacket::encodeFrequency_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QList<long long>>("cells");
  QTest::newRow("160.9125") << "160.9125" << QList<long long>{0, 201, 18};
  QTest::newRow("433.925") << "433.925" << QList<long long>{2, 30, 52};
  QTest::newRow("440.9125") << "440.9125" << QList<long long>{2, 39, 18};
  QTest::newRow("460") << "460" << QList<long long>{2, 63, 0};
  QTest::newRow("150") << "150" << QList<long long>{0, 187, 64};
  QTest::newRow("470") << "470" << QList<long long>{2, 75, 64};
  QTest::newRow("10 kHz below a channel goes up") << "160.9025" << QList<long long>{0, 201, 18};
  QTest::newRow("just over 10 kHz below stays") << "160.9024" << QList<long long>{0, 201, 16};
  QTest::newRow("2.5 kHz above goes to the next") << "160.915" << QList<long long>{0, 201, 20};
  QTest::newRow("empty field") << "" << QList<long long>{0, 0, 0};
  QTest::newRow("negative: high byte below 0") << "-5" << QList<long long>{-1, 249, 96};
  QTest::newRow("beyond the cells: high byte above 255") << "1000000" << QList<long long>{4882, 208, 0};
}

void TestFrequencyPacket::encodeFrequency() {
  QFETCH(QString, text);
  QFETCH(QList<long long>, cells);
  const quarn::FrequencyCells encoded = quarn::encode_frequency(quarn::numeric_value(text.toStdString()));
  QCOMPARE((QList<long long>{encoded.b_high, encoded.b_low, encoded.a_x2}), cells);
}

void TestFrequencyPacket::decodeFrequency_data() {
  QTest::addColumn<QList<int>>("cells");
  QTest::addColumn<QString>("text");
  QTest::newRow("160.9125") << QList<int>{0, 201, 18} << "160.9125";
  QTest::newRow("half step") << QList<int>{0, 201, 19} << "160.91875";
  QTest::newRow("161") << QList<int>{0, 201, 32} << "161";
  QTest::newRow("460") << QList<int>{2, 63, 0} << "460";
  QTest::newRow("433.925") << QList<int>{2, 30, 52} << "433.925";
  QTest::newRow("all zero") << QList<int>{0, 0, 0} << "0";
  QTest::newRow("all 255") << QList<int>{255, 255, 255} << "52429.59375";
}

void TestFrequencyPacket::decodeFrequency() {
  QFETCH(QList<int>, cells);
  QFETCH(QString, text);
  const double mhz = quarn::decode_frequency(cells[0], cells[1], cells[2]);
  QCOMPARE(QString::fromStdString(quarn::decimal_text(mhz)), text);
}

void TestFrequencyPacket::limits_data() {
  QTest::addColumn<int>("band");
  QTest::addColumn<double>("mhz");
  QTest::addColumn<bool>("transmit");
  QTest::addColumn<bool>("within_band");
  QTest::newRow("VHF low end") << 86 << 140.0 << true << true;
  QTest::newRow("VHF high end") << 86 << 175.0 << true << true;
  QTest::newRow("just above VHF range") << 86 << 175.0001 << false << true;
  QTest::newRow("V band low end") << 86 << 130.0 << false << true;
  QTest::newRow("below V band") << 86 << 129.999 << false << false;
  QTest::newRow("V band high end") << 86 << 185.0 << false << true;
  QTest::newRow("V 200") << 86 << 200.0 << false << false;
  QTest::newRow("UHF low end") << 85 << 410.0 << true << true;
  QTest::newRow("UHF high end") << 85 << 470.0 << true << true;
  QTest::newRow("U 475") << 85 << 475.0 << false << true;
  QTest::newRow("U band low end") << 85 << 400.0 << false << true;
  QTest::newRow("below U band") << 85 << 399.99 << false << false;
  QTest::newRow("above U band") << 85 << 480.01 << false << false;
  QTest::newRow("U band and VHF") << 85 << 160.0 << true << false;
  QTest::newRow("no band, anything") << 0 << 1000.0 << false << true;
  QTest::newRow("no band, negative") << 0 << -5.0 << false << true;
}

void TestFrequencyPacket::limits() {
  QFETCH(int, band);
  QFETCH(double, mhz);
  QFETCH(bool, transmit);
  QFETCH(bool, within_band);
  QCOMPARE(quarn::within_transmit_range(mhz), transmit);
  QCOMPARE(quarn::within_band_limits(band, mhz), within_band);
}

void TestFrequencyPacket::buildPacket_data() {
  QTest::addColumn<bool>("mono");
  QTest::addColumn<int>("code");
  QTest::addColumn<int>("input");
  QTest::addColumn<bool>("low_tones");
  QTest::addColumn<int>("repeater");
  QTest::addColumn<QList<int>>("packet");
  QTest::newRow("Quarn 1, input 1") << false << 1 << 1 << false << 0 << QList<int>{28, 7, 0, 1, 1, 192, 199, 111, 3};
  QTest::newRow("Quarn 1, input 8") << false << 1 << 8 << false << 0 << QList<int>{28, 7, 0, 1, 1, 199, 192, 111, 3};
  QTest::newRow("Quarn 1234, input 3") << false << 1234 << 3 << false << 0
                                       << QList<int>{28, 7, 4, 210, 1, 194, 18, 77, 3};
  QTest::newRow("Quarn 1234, input 8") << false << 1234 << 8 << false << 0
                                       << QList<int>{28, 7, 4, 210, 1, 199, 23, 67, 3};
  QTest::newRow("Quarn ignores tones and repeater") << false << 1234 << 3 << true << 5
                                                    << QList<int>{28, 7, 4, 210, 1, 194, 18, 77, 3};
  QTest::newRow("Quarn 5000") << false << 5000 << 1 << false << 0 << QList<int>{28, 7, 19, 136, 1, 192, 93, 63, 3};
  QTest::newRow("Mono 517, input 2, high tones") << true << 517 << 2 << false << 5
                                                 << QList<int>{28, 7, 2, 5, 2, 120, 122, 253, 3};
  QTest::newRow("Mono 517, input 2, low tones, repeater 5")
      << true << 517 << 2 << true << 5 << QList<int>{28, 7, 22, 5, 2, 124, 106, 245, 3};
  QTest::newRow("Mono 1023, input 8, low tones, repeater 63")
      << true << 1023 << 8 << true << 63 << QList<int>{28, 7, 255, 255, 128, 124, 251, 3, 3};
}

void TestFrequencyPacket::buildPacket() {
  QFETCH(bool, mono);
  QFETCH(int, code);
  QFETCH(int, input);
  QFETCH(bool, low_tones);
  QFETCH(int, repeater);
  QFETCH(QList<int>, packet);
  const CodeMode mode = mono ? CodeMode::Mono : CodeMode::Quarn;
  QCOMPARE(ints(quarn::build_packet(mode, code, input, low_tones, repeater)), packet);
}

void TestFrequencyPacket::decodePacket_data() {
  QTest::addColumn<bool>("mono");
  QTest::addColumn<int>("code_high");
  QTest::addColumn<int>("code_low");
  QTest::addColumn<int>("mask");
  QTest::addColumn<int>("option");
  QTest::addColumn<int>("code");
  QTest::addColumn<int>("input");
  QTest::newRow("Quarn 300, option 199") << false << 1 << 44 << 1 << 199 << 300 << 8;
  QTest::newRow("Quarn keeps all high bits") << false << 13 << 44 << 1 << 192 << 3372 << 1;
  QTest::newRow("Quarn ignores the mask") << false << 0 << 1 << 3 << 194 << 1 << 3;
  QTest::newRow("Mono 300 under repeater bits") << true << 13 << 44 << 16 << 120 << 300 << 5;
  QTest::newRow("Mono mask 1") << true << 0 << 0 << 1 << 124 << 0 << 1;
  QTest::newRow("Mono mask 128") << true << 3 << 255 << 128 << 120 << 1023 << 8;
  QTest::newRow("Mono mask of two bits") << true << 0 << 7 << 3 << 120 << 7 << 0;
  QTest::newRow("Mono mask 0") << true << 0 << 7 << 0 << 120 << 7 << 0;
}

void TestFrequencyPacket::decodePacket() {
  QFETCH(bool, mono);
  QFETCH(int, code_high);
  QFETCH(int, code_low);
  QFETCH(int, mask);
  QFETCH(int, option);
  QFETCH(int, code);
  QFETCH(int, input);
  quarn::Packet packet{28, 7};
  packet[quarn::packet_byte::code_high] = std::uint8_t(code_high);
  packet[quarn::packet_byte::code_low] = std::uint8_t(code_low);
  packet[quarn::packet_byte::mask] = std::uint8_t(mask);
  packet[quarn::packet_byte::option] = std::uint8_t(option);
  const CodeMode mode = mono ? CodeMode::Mono : CodeMode::Quarn;
  QCOMPARE(quarn::decode_code(mode, packet), code);
  QCOMPARE(quarn::decode_input(mode, packet), input);
}

void TestFrequencyPacket::blockChecksum_data() {
  QTest::addColumn<QList<int>>("cells");
  QTest::addColumn<int>("checksum");
  QTest::newRow("worked block") << QList<int>{30, 60, 5,   2, 0, 1, 1,   5, 133, 1,   2,   30, 52,
                                              28, 7,  4,   210, 1, 194, 18, 77, 3,   0,   0,  3,
                                              28, 7,  4,   210, 1, 199, 23, 67, 3,   2,   0,  0}
                                << 124;
  QTest::newRow("sum a multiple of 256") << QList<int>{255, 1} << 255;
  QTest::newRow("sum 255 modulo 256") << QList<int>{255, 255, 1} << 0;
  QTest::newRow("all zero") << QList<int>{} << 255;
}

void TestFrequencyPacket::blockChecksum() {
  QFETCH(QList<int>, cells);
  QFETCH(int, checksum);
  quarn::BlockBytes bytes{};
  std::copy(cells.begin(), cells.end(), bytes.begin());
  QCOMPARE(int(quarn::compute_block_checksum(bytes)), checksum);
}

// What each generation writes is checked by the programming runs and the
// factory sets; only the choice of generation belongs here.
void TestFrequencyPacket::generationOfDeviceType() {
  QCOMPARE(quarn::generation_of(78), quarn::Generation::New);
  QCOMPARE(quarn::generation_of(0), quarn::Generation::Old);
  QCOMPARE(quarn::generation_of(110), quarn::Generation::Old);  // "n"
}

QTEST_APPLESS_MAIN(TestFrequencyPacket)
#include "test_frequency_packet.moc"
