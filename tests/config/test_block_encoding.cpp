#include "config/block_encoding.h"
#include "config/factory_defaults.h"

#include <QtTest>

#include <numeric>

using quarn::FieldValues;
using quarn::Refusal;
using quarn::RefusalReason;
using quarn::SettingKey;

namespace quarn {

// "OutOfRange Code 0..1023", for the messages of failed comparisons.
char* toString(const std::optional<Refusal>& refusal) {
  if (!refusal) return qstrdup("accepted");
  const std::string_view name = refusal->setting ? setting(*refusal->setting).name : "none";
  const QString setting = QString::fromLatin1(name.data(), qsizetype(name.size()));
  const char* reasons[] = {"OutsideBand", "OutOfRange", "ImageCellNotByte"};
  return qstrdup(qPrintable(QString("%1 %2 %3..%4 cell %5")
                                .arg(reasons[int(refusal->reason)], setting)
                                .arg(refusal->range.low)
                                .arg(refusal->range.high)
                                .arg(refusal->cell)));
}

}  // namespace quarn

namespace {

using MaybeRefusal = std::optional<Refusal>;

const MaybeRefusal accepted;

MaybeRefusal out_of_range(SettingKey setting, int low, int high) {
  return Refusal{.reason = RefusalReason::OutOfRange, .setting = setting, .range = {low, high}};
}

MaybeRefusal outside_band(int low_mhz, int high_mhz) {
  return Refusal{.reason = RefusalReason::OutsideBand, .setting = SettingKey::Frequency, .range = {low_mhz, high_mhz}};
}

MaybeRefusal cell_not_byte(int address, std::optional<SettingKey> holder) {
  return Refusal{.reason = RefusalReason::ImageCellNotByte, .setting = holder, .range = {0, 255}, .cell = address};
}

// The highest channel count that cells 10 to 12 hold.
constexpr int highest_channel = 4194303;

// A New run ends with the checksum that brings the sum of its 37 data bytes
// and itself to 255 modulo 256, and keeps it in the image.
void verify_block_checksum(const quarn::ProgrammingRun& run) {
  QCOMPARE(run.writes.size(), std::size_t(62));
  const int sum = std::accumulate(run.writes.begin(), run.writes.begin() + quarn::block_size, 0);
  const int checksum = run.writes[quarn::cell::block_checksum];
  QCOMPARE((sum + checksum) % 256, 255);
  QCOMPARE(run.block.block_checksum, checksum);
}

QList<int> ints(auto first, auto last) { return QList<int>(first, last); }

// The worked block: New device on UHF, Quarn code 1234, 433.925 MHz, inputs 3
// and 8, high tones, battery-low alarm on, multiple transmission.
quarn::ParameterBlock worked_image() {
  quarn::ParameterBlock image;
  image.cells[quarn::cell::battery_alarm] = 1;
  image.cells[quarn::cell::tx_mode] = 1;
  image.device_type = 78;
  image.band = 85;
  return image;
}

FieldValues worked_fields() {
  return {.code = "1234", .frequency = "433.925", .robbery_time = "30", .antifall_time = "60", .tx_count = "5",
          .alarm_input = "3", .battery_input = "8", .panic_filter = "2", .repeater_code = "0"};
}

const QList<int> worked_cells{30, 60, 5, 2, 0,   1, 1,  5,  133, 1, 2, 30, 52, 28, 7, 4, 210, 1, 194,
                              18, 77, 3, 0, 0,   3, 28, 7,  4,   210, 1, 199, 23, 67, 3, 2, 0, 0};

// Applies "field=text" changes.
void apply(const QStringList& changes, FieldValues& fields) {
  static const QMap<QString, std::string FieldValues::*> members{
      {"code", &FieldValues::code},           {"frequency", &FieldValues::frequency},
      {"robbery", &FieldValues::robbery_time}, {"antifall", &FieldValues::antifall_time},
      {"tx count", &FieldValues::tx_count},   {"alarm input", &FieldValues::alarm_input},
      {"battery input", &FieldValues::battery_input}, {"panic filter", &FieldValues::panic_filter},
      {"repeater", &FieldValues::repeater_code}};
  for (const QString& change : changes) {
    const QString name = change.section('=', 0, 0);
    QVERIFY2(members.contains(name), qPrintable(name));
    fields.*members.value(name) = change.section('=', 1).toStdString();
  }
}

// Applies address, value pairs to the data cells of the image.
void apply(const QList<int>& changes, quarn::ParameterBlock& image) {
  for (qsizetype i = 0; i + 1 < changes.size(); i += 2) image.cells[changes[i]] = changes[i + 1];
}

}  // namespace

class TestBlockEncoding : public QObject {
  Q_OBJECT

 private slots:
  void workedBlock();
  void frequency_data();
  void frequency();
  void refusals_data();
  void refusals();
  void packets_data();
  void packets();
  void generations_data();
  void generations();
  void factoryDefaults_data();
  void factoryDefaults();
};

void TestBlockEncoding::workedBlock() {
  const quarn::ProgrammingRun run = quarn::encode_block(worked_image(), worked_fields());
  QVERIFY(!run.refusal);
  QVERIFY(!run.outside_transmit_ranges);
  QList<int> expected = worked_cells;
  expected << QList<int>(23, 0) << 78 << 124;
  QCOMPARE(ints(run.writes.begin(), run.writes.end()), expected);
  QCOMPARE(run.block.block_checksum, 124);
  QCOMPARE(ints(run.block.cells.begin(), run.block.cells.end()), worked_cells);
}

void TestBlockEncoding::frequency_data() {
  QTest::addColumn<int>("band");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("warning");
  QTest::addColumn<MaybeRefusal>("refusal");
  QTest::addColumn<QList<int>>("cells");  // 10 to 12, when accepted
  QTest::newRow("V 200: warning, then outside the band") << 86 << "200" << true << outside_band(130, 185)
                                                          << QList<int>{};
  QTest::newRow("V 180: warning, programmed") << 86 << "180" << true << accepted << QList<int>{0, 225, 0};
  QTest::newRow("U 475: warning, programmed") << 85 << "475" << true << accepted << QList<int>{2, 81, 96};
  QTest::newRow("U 433.925") << 85 << "433.925" << false << accepted << QList<int>{2, 30, 52};
  QTest::newRow("U 160: outside the band") << 85 << "160" << false << outside_band(400, 480) << QList<int>{};
  QTest::newRow("no band, 1000") << 0 << "1000" << true << accepted << QList<int>{4, 226, 0};
  QTest::newRow("no band, empty") << 0 << "" << true << accepted << QList<int>{0, 0, 0};
  const MaybeRefusal beyond_the_cells = out_of_range(SettingKey::Frequency, 0, highest_channel);
  QTest::newRow("no band, negative") << 0 << "-5" << true << beyond_the_cells << QList<int>{};
  QTest::newRow("no band, absurd") << 0 << "1e300" << true << beyond_the_cells << QList<int>{};
  QTest::newRow("no band, the highest channel") << 0 << "52428.7875" << true << accepted
                                                << QList<int>{255, 255, 126};
  QTest::newRow("no band, one channel more") << 0 << "52428.8" << true << beyond_the_cells << QList<int>{};
  QTest::newRow("no band, just past the cells") << 0 << "52429.6" << true << beyond_the_cells << QList<int>{};
}

void TestBlockEncoding::frequency() {
  QFETCH(int, band);
  QFETCH(QString, text);
  QFETCH(bool, warning);
  QFETCH(MaybeRefusal, refusal);
  QFETCH(QList<int>, cells);
  quarn::ParameterBlock image = worked_image();
  image.band = band;
  FieldValues fields = worked_fields();
  fields.frequency = text.toStdString();
  const quarn::ProgrammingRun run = quarn::encode_block(image, fields);
  QCOMPARE(run.outside_transmit_ranges, warning);
  QCOMPARE(run.refusal, refusal);
  if (!refusal) {
    QCOMPARE(ints(run.writes.begin() + quarn::cell::freq_b_high, run.writes.begin() + quarn::cell::alarm_packet),
             cells);
    verify_block_checksum(run);
  } else {
    QVERIFY(run.writes.empty());
  }
}

void TestBlockEncoding::refusals_data() {
  QTest::addColumn<bool>("mono");
  QTest::addColumn<bool>("low_tones");
  QTest::addColumn<QStringList>("field_changes");
  QTest::addColumn<QList<int>>("image_changes");
  QTest::addColumn<MaybeRefusal>("refusal");
  QTest::newRow("Mono 1024") << true << false << QStringList{"code=1024"} << QList<int>{}
                             << out_of_range(SettingKey::Code, 0, 1023);
  QTest::newRow("Mono 1023") << true << false << QStringList{"code=1023"} << QList<int>{} << accepted;
  QTest::newRow("Mono 1023.4 is above 1023") << true << false << QStringList{"code=1023.4"} << QList<int>{}
                                            << out_of_range(SettingKey::Code, 0, 1023);
  QTest::newRow("Mono 1022.6") << true << false << QStringList{"code=1022.6"} << QList<int>{} << accepted;
  QTest::newRow("Quarn 255.5: low byte would be 256") << false << false << QStringList{"code=255.5"}
                                                      << QList<int>{} << out_of_range(SettingKey::Code, 0, 65535);
  QTest::newRow("Quarn 65535.4: low byte 255") << false << false << QStringList{"code=65535.4"} << QList<int>{}
                                               << accepted;
  QTest::newRow("Mono 0") << true << false << QStringList{"code=0"} << QList<int>{} << accepted;
  QTest::newRow("Mono negative") << true << false << QStringList{"code=-1"} << QList<int>{}
                                 << out_of_range(SettingKey::Code, 0, 1023);
  QTest::newRow("Quarn 65535") << false << false << QStringList{"code=65535"} << QList<int>{} << accepted;
  QTest::newRow("Quarn 65536") << false << false << QStringList{"code=65536"} << QList<int>{}
                               << out_of_range(SettingKey::Code, 0, 65535);
  QTest::newRow("Quarn negative") << false << false << QStringList{"code=-1"} << QList<int>{}
                                  << out_of_range(SettingKey::Code, 0, 65535);
  QTest::newRow("Quarn empty code is 0") << false << false << QStringList{"code="} << QList<int>{} << accepted;
  QTest::newRow("Mono low tones, repeater 63") << true << true << QStringList{"code=1023", "repeater=63"}
                                               << QList<int>{} << accepted;
  QTest::newRow("Mono low tones, repeater 64") << true << true << QStringList{"code=0", "repeater=64"}
                                               << QList<int>{} << out_of_range(SettingKey::RepeaterCode, 0, 63);
  QTest::newRow("Mono low tones, repeater -1") << true << true << QStringList{"code=5", "repeater=-1"}
                                               << QList<int>{} << out_of_range(SettingKey::RepeaterCode, 0, 63);
  QTest::newRow("Mono high tones, repeater 64") << true << false << QStringList{"code=5", "repeater=64"}
                                                << QList<int>{} << accepted;
  QTest::newRow("repeater 256") << false << false << QStringList{"repeater=256"} << QList<int>{}
                                << out_of_range(SettingKey::RepeaterCode, 0, 255);
  QTest::newRow("alarm input empty") << false << false << QStringList{"alarm input="} << QList<int>{}
                                     << out_of_range(SettingKey::AlarmInput, 1, 8);
  QTest::newRow("alarm input 9") << false << false << QStringList{"alarm input=9"} << QList<int>{}
                                 << out_of_range(SettingKey::AlarmInput, 1, 8);
  QTest::newRow("alarm input 8.4 rounds to 8") << false << false << QStringList{"alarm input=8.4"} << QList<int>{}
                                               << accepted;
  QTest::newRow("battery input 0") << false << false << QStringList{"battery input=0"} << QList<int>{}
                                   << out_of_range(SettingKey::BatteryInput, 1, 8);
  QTest::newRow("both inputs wrong: alarm first") << false << false
                                                  << QStringList{"alarm input=0", "battery input=0"} << QList<int>{}
                                                  << out_of_range(SettingKey::AlarmInput, 1, 8);
  QTest::newRow("tx count 256") << false << false << QStringList{"tx count=256"} << QList<int>{}
                                << out_of_range(SettingKey::TxCount, 0, 255);
  QTest::newRow("panic filter -1") << false << false << QStringList{"panic filter=-1"} << QList<int>{}
                                   << out_of_range(SettingKey::PanicFilter, 0, 255);
  QTest::newRow("robbery 255.5") << false << false << QStringList{"robbery=255.5"} << QList<int>{}
                                 << out_of_range(SettingKey::RobberyTime, 0, 255);
  QTest::newRow("robbery 0 is written") << false << false << QStringList{"robbery=0"} << QList<int>{} << accepted;
  QTest::newRow("antifall 1e3") << false << false << QStringList{"antifall=1e3"} << QList<int>{}
                                << out_of_range(SettingKey::AntifallTime, 0, 255);
  QTest::newRow("tx count before robbery") << false << false << QStringList{"robbery=-9", "tx count=-9"}
                                           << QList<int>{} << out_of_range(SettingKey::TxCount, 0, 255);
  QTest::newRow("code before plain cells") << true << false << QStringList{"code=2000", "tx count=-9"}
                                           << QList<int>{} << out_of_range(SettingKey::Code, 0, 1023);
  QTest::newRow("band before code") << true << false << QStringList{"code=2000", "frequency=200"} << QList<int>{}
                                    << outside_band(400, 480);
  QTest::newRow("kept cell 22 no byte") << false << false << QStringList{} << QList<int>{22, 300}
                                        << cell_not_byte(22, std::nullopt);
  QTest::newRow("tones cell no byte") << false << false << QStringList{} << QList<int>{4, -1}
                                      << cell_not_byte(4, SettingKey::Tones);
}

void TestBlockEncoding::refusals() {
  QFETCH(bool, mono);
  QFETCH(bool, low_tones);
  QFETCH(QStringList, field_changes);
  QFETCH(QList<int>, image_changes);
  QFETCH(MaybeRefusal, refusal);
  FieldValues fields = worked_fields();
  fields.quarn_mode = !mono;
  fields.low_tones = low_tones;
  apply(field_changes, fields);
  quarn::ParameterBlock image = worked_image();
  apply(image_changes, image);
  const quarn::ProgrammingRun run = quarn::encode_block(image, fields);
  QCOMPARE(run.refusal, refusal);
  if (refusal) {
    QVERIFY(run.writes.empty());
  } else {
    verify_block_checksum(run);
  }
}

void TestBlockEncoding::packets_data() {
  QTest::addColumn<bool>("mono");
  QTest::addColumn<bool>("low_tones");
  QTest::addColumn<QStringList>("field_changes");
  QTest::addColumn<QList<int>>("alarm_packet");
  QTest::addColumn<QList<int>>("battery_packet");
  QTest::newRow("Quarn 5000") << false << false << QStringList{"code=5000", "alarm input=1"}
                              << QList<int>{28, 7, 19, 136, 1, 192, 93, 63, 3}
                              << QList<int>{28, 7, 19, 136, 1, 199, 90, 59, 3};
  QTest::newRow("Mono 517, low tones, repeater 5")
      << true << true << QStringList{"code=517", "alarm input=2", "battery input=2", "repeater=5"}
      << QList<int>{28, 7, 22, 5, 2, 124, 106, 245, 3} << QList<int>{28, 7, 22, 5, 2, 124, 106, 245, 3};
  QTest::newRow("Mono 517, high tones, repeater ignored")
      << true << false << QStringList{"code=517", "alarm input=2", "battery input=2", "repeater=5"}
      << QList<int>{28, 7, 2, 5, 2, 120, 122, 253, 3} << QList<int>{28, 7, 2, 5, 2, 120, 122, 253, 3};
  QTest::newRow("code 2.5 rounds to even") << false << false << QStringList{"code=2.5", "alarm input=1"}
                                           << QList<int>{28, 7, 0, 2, 1, 192, 196, 113, 3}
                                           << QList<int>{28, 7, 0, 2, 1, 199, 195, 107, 3};
}

void TestBlockEncoding::packets() {
  QFETCH(bool, mono);
  QFETCH(bool, low_tones);
  QFETCH(QStringList, field_changes);
  QFETCH(QList<int>, alarm_packet);
  QFETCH(QList<int>, battery_packet);
  FieldValues fields = worked_fields();
  fields.quarn_mode = !mono;
  fields.low_tones = low_tones;
  apply(field_changes, fields);
  const quarn::ProgrammingRun run = quarn::encode_block(worked_image(), fields);
  QVERIFY(!run.refusal);
  const auto alarm = run.writes.begin() + quarn::cell::alarm_packet;
  const auto battery = run.writes.begin() + quarn::cell::battery_packet;
  QCOMPARE(ints(alarm, alarm + quarn::packet_size), alarm_packet);
  QCOMPARE(ints(battery, battery + quarn::packet_size), battery_packet);
  verify_block_checksum(run);
}

void TestBlockEncoding::generations_data() {
  QTest::addColumn<int>("device_type");
  QTest::addColumn<QList<int>>("writes");
  // Option and kept cells pass through; the constants overwrite whatever the
  // image held in cells 3, 7, 8, 9 and 24.
  const QList<int> cells{30, 60, 5,  2, 1,   0, 0, -1, -1, 1, 2, 30, 52, 28, 7, 4, 210, 1, 194,
                         18, 77, 3, 17, 200, 3, 28, 7,  4,  210, 1, 199, 23, 67, 3, 2, 0, 1};
  QList<int> fresh = cells;
  fresh[7] = 5;
  fresh[8] = 133;
  QTest::newRow("New: 62 writes") << 78 << (fresh + QList<int>(23, 0) + QList<int>{78, 163});
  QList<int> old = cells.first(34);
  old[7] = 0;
  old[8] = 136;
  QTest::newRow("type 0 is Old: 34 writes") << 0 << old;
  QTest::newRow("type 'n' is Old") << 110 << old;
}

void TestBlockEncoding::generations() {
  QFETCH(int, device_type);
  QFETCH(QList<int>, writes);
  quarn::ParameterBlock image = worked_image();
  apply(QList<int>{3, 99, 4, 1, 5, 0, 6, 0, 7, 99, 8, 99, 9, 99, 22, 17, 23, 200, 24, 99, 36, 1}, image);
  image.device_type = device_type;
  const quarn::ProgrammingRun run = quarn::encode_block(image, worked_fields());
  QVERIFY(!run.refusal);
  QCOMPARE(ints(run.writes.begin(), run.writes.end()), writes);
}

void TestBlockEncoding::factoryDefaults_data() {
  QTest::addColumn<quarn::Band>("band");
  QTest::addColumn<quarn::Generation>("generation");
  QTest::addColumn<QList<int>>("cells");
  const QList<int> filler(23, 0);
  const auto set = [&](int f10, int f11, int f12, int new_or_old_07, int new_or_old_08, QList<int> tail) {
    return QList<int>{30, 60, 5, 2, 0, 1, 1, new_or_old_07, new_or_old_08, 1, f10, f11, f12,
                      28, 7, 0, 1, 1, 192, 199, 111, 3, 0, 0, 3,
                      28, 7, 0, 1, 1, 199, 192, 111, 3, 1, 0, 0} + filler + tail;
  };
  QTest::newRow("UHF New") << quarn::Band::Uhf << quarn::Generation::New
                           << set(2, 63, 0, 5, 133, {78, 144, 85, 90});
  QTest::newRow("VHF New") << quarn::Band::Vhf << quarn::Generation::New
                           << set(0, 201, 32, 5, 133, {78, 232, 86, 90});
  QTest::newRow("UHF Old") << quarn::Band::Uhf << quarn::Generation::Old << set(2, 63, 0, 0, 136, {0, 0, 85, 90});
  QTest::newRow("VHF Old") << quarn::Band::Vhf << quarn::Generation::Old << set(0, 201, 32, 0, 136, {0, 0, 86, 90});
}

void TestBlockEncoding::factoryDefaults() {
  QFETCH(quarn::Band, band);
  QFETCH(quarn::Generation, generation);
  QFETCH(QList<int>, cells);
  const quarn::MemoryImage memory = quarn::factory_default_cells(band, generation);
  QCOMPARE(ints(memory.begin(), memory.end()), cells);
}

QTEST_APPLESS_MAIN(TestBlockEncoding)
#include "test_block_encoding.moc"
