#include "config/block_decoding.h"
#include "config/block_encoding.h"
#include "config/factory_defaults.h"
#include "config/settings_table.h"

#include <QtTest>

#include <algorithm>

using quarn::FieldUpdate;
using quarn::FieldValues;

namespace quarn {

// Settings by name, for the messages of failed comparisons.
char* toString(const FieldValues& values) {
  QStringList settings;
  for (const SettingDeclaration& declaration : setting_declarations()) {
    const QString value = declaration.option ? QString(values.*declaration.option ? "true" : "false")
                                             : QString::fromStdString(values.*declaration.text);
    settings << QString::fromLatin1(declaration.name.data(), qsizetype(declaration.name.size())) + "=" + value;
  }
  return qstrdup(qPrintable(settings.join(", ")));
}

}  // namespace quarn

namespace {

// Applies "name=value" changes; options take "true" or "false".
void change(FieldValues& values, const QStringList& changes) {
  for (const QString& change : changes) {
    const std::string name = change.section('=', 0, 0).toStdString();
    const quarn::SettingDeclaration* declaration = quarn::setting_named(name);
    QVERIFY2(declaration, name.c_str());
    const QString value = change.section('=', 1);
    if (declaration->option) {
      values.*declaration->option = value == "true";
    } else {
      values.*declaration->text = value.toStdString();
    }
  }
}

quarn::MemoryRead read_of(const auto& cells) {
  quarn::MemoryRead memory{};
  std::copy_n(cells.begin(), std::min<std::size_t>(cells.size(), memory.size()), memory.begin());
  return memory;
}

// A read of the UHF factory set of a New device, with some cells changed:
// `changes` holds address, value pairs.
quarn::MemoryRead uhf_read(const QList<int>& changes) {
  const quarn::MemoryImage factory = quarn::factory_default_cells(quarn::Band::Uhf, quarn::Generation::New);
  quarn::MemoryRead memory{};
  std::copy_n(factory.begin(), memory.size(), memory.begin());
  for (qsizetype i = 0; i + 1 < changes.size(); i += 2) memory[changes[i]] = std::uint8_t(changes[i + 1]);
  return memory;
}

QString text(const std::optional<std::string>& value) {
  return value ? QString::fromStdString(*value) : QString("keep");
}

// What the window is told to show, by setting: a text, an option's cell
// value ("0", "1"), "beep" or "keep"; and the band.
QMap<QString, QString> shown(const quarn::DecodedBlock& decoded) {
  QMap<QString, QString> fields{{"band", text(decoded.band_text)}};
  for (const quarn::SettingDeclaration& declaration : quarn::setting_declarations()) {
    QString& field = fields[QString::fromLatin1(declaration.name.data(), qsizetype(declaration.name.size()))];
    switch (decoded.update(declaration.key)) {
      case FieldUpdate::Beep: field = "beep"; break;
      case FieldUpdate::Keep: field = "keep"; break;
      case FieldUpdate::Show:
        field = declaration.option
                    ? QString::number(quarn::option_cell_value(declaration, decoded.values.*declaration.option))
                    : QString::fromStdString(decoded.values.*declaration.text);
    }
  }
  return fields;
}

// The UHF factory set as the window shows it.
const QMap<QString, QString> factory_shown{
    {"code", "1"},          {"frequency", "460"},   {"alarm_input", "1"},   {"battery_input", "8"},
    {"tones", "0"},         {"tx_mode", "1"},       {"robbery_time", "30"},      {"antifall_time", "60"},
    {"tx_count", "5"},      {"battery_alarm", "1"}, {"panic_filter", "1"}, {"repeater_code", "0"},
    {"code_mode", "0"},     {"band", "  UHF"}};

}  // namespace

class TestBlockDecoding : public QObject {
  Q_OBJECT

 private slots:
  void fields_data();
  void fields();
  void deviceType_data();
  void deviceType();
  void readShowsWhatWasProgrammed_data();
  void readShowsWhatWasProgrammed();
  void settingsLeftAloneByAReadKeepTheirDefaults_data();
  void settingsLeftAloneByAReadKeepTheirDefaults();
};

void TestBlockDecoding::fields_data() {
  QTest::addColumn<QList<int>>("changes");
  QTest::addColumn<QStringList>("differences");  // field, text, field, text...
  QTest::newRow("UHF factory set") << QList<int>{} << QStringList{};
  QTest::newRow("Quarn code 300") << QList<int>{15, 1, 16, 44} << QStringList{"code", "300"};
  QTest::newRow("Mono code 300 under repeater bits")
      << QList<int>{36, 1, 15, 13, 16, 44} << QStringList{"code", "300", "code_mode", "1", "alarm_input", "1",
                                                          "battery_input", "1"};
  QTest::newRow("Quarn option 199 is input 8") << QList<int>{18, 199} << QStringList{"alarm_input", "8"};
  QTest::newRow("Mono masks 16 and 128") << QList<int>{36, 1, 17, 16, 29, 128}
                                         << QStringList{"code_mode", "1", "alarm_input", "5", "battery_input", "8"};
  QTest::newRow("Mono mask 3 leaves the input") << QList<int>{36, 1, 17, 3, 29, 0}
                                                << QStringList{"code_mode", "1", "alarm_input", "keep",
                                                               "battery_input", "keep"};
  QTest::newRow("code mode 2 beeps and decodes as Mono")
      << QList<int>{36, 2, 15, 13, 16, 44, 17, 4} << QStringList{"code_mode", "beep", "code", "300",
                                                                  "alarm_input", "3", "battery_input", "1"};
  QTest::newRow("161 MHz, VHF") << QList<int>{10, 0, 11, 201, 12, 32, 62, 86}
                                << QStringList{"frequency", "161", "band", "  VHF"};
  QTest::newRow("half channel") << QList<int>{10, 0, 11, 201, 12, 19} << QStringList{"frequency", "160.91875"};
  QTest::newRow("band 0 leaves the text") << QList<int>{62, 0} << QStringList{"band", "keep"};
  QTest::newRow("band 'u' leaves the text") << QList<int>{62, 117} << QStringList{"band", "keep"};
  QTest::newRow("tones 2 beeps") << QList<int>{4, 2} << QStringList{"tones", "beep"};
  QTest::newRow("single transmission, low tones") << QList<int>{4, 1, 6, 0} << QStringList{"tones", "1", "tx_mode", "0"};
  QTest::newRow("tx mode 255 beeps") << QList<int>{6, 255} << QStringList{"tx_mode", "beep"};
  QTest::newRow("battery alarm off") << QList<int>{5, 0} << QStringList{"battery_alarm", "0"};
  QTest::newRow("battery alarm 2 leaves it silently") << QList<int>{5, 2} << QStringList{"battery_alarm", "keep"};
  QTest::newRow("numbers outside the lists") << QList<int>{0, 0, 1, 255, 2, 9, 34, 200, 35, 64}
                                             << QStringList{"robbery_time", "0", "antifall_time", "255", "tx_count", "9",
                                                            "panic_filter", "200", "repeater_code", "64"};
  QTest::newRow("filler never counts") << QList<int>{37, 255, 48, 17, 59, 78} << QStringList{};
}

void TestBlockDecoding::fields() {
  QFETCH(QList<int>, changes);
  QFETCH(QStringList, differences);
  QMap<QString, QString> expected = factory_shown;
  for (qsizetype i = 0; i + 1 < differences.size(); i += 2) {
    QVERIFY2(expected.contains(differences[i]), qPrintable(differences[i]));
    expected[differences[i]] = differences[i + 1];
  }
  QCOMPARE(shown(quarn::decode_block(uhf_read(changes))), expected);
}

void TestBlockDecoding::deviceType_data() {
  QTest::addColumn<QList<int>>("changes");
  QTest::addColumn<QString>("label");
  QTest::addColumn<bool>("mismatch");
  QTest::addColumn<int>("checksum");  // the one computed, 0 when none is
  QTest::newRow("New, checksum right") << QList<int>{} << "New" << false << 144;
  QTest::newRow("New, cell 61 wrong") << QList<int>{61, 143} << "New" << true << 144;
  QTest::newRow("New, a data cell changed") << QList<int>{0, 31} << "New" << true << 143;
  QTest::newRow("New, change that keeps the sum") << QList<int>{0, 31, 1, 59} << "New" << false << 144;
  QTest::newRow("New, filler changed") << QList<int>{40, 9, 59, 1} << "New" << false << 144;
  QTest::newRow("type 0 is Old, never compared") << QList<int>{60, 0, 61, 7} << "Old" << false << 0;
  QTest::newRow("type 'n' is Old") << QList<int>{60, 110} << "Old" << false << 0;
}

void TestBlockDecoding::deviceType() {
  QFETCH(QList<int>, changes);
  QFETCH(QString, label);
  QFETCH(bool, mismatch);
  QFETCH(int, checksum);
  const quarn::MemoryRead memory = uhf_read(changes);
  const quarn::DecodedBlock decoded = quarn::decode_block(memory);
  QCOMPARE(QString::fromStdString(decoded.type_label), label);
  QCOMPARE(decoded.is_new, label == "New");
  QCOMPARE(decoded.checksum_mismatch, mismatch);
  QCOMPARE(decoded.block.block_checksum, checksum);
  QCOMPARE(decoded.block.device_type, int(memory[quarn::cell::device_type]));
  QCOMPARE(decoded.block.band, int(memory[quarn::cell::band]));
  QVERIFY(std::equal(decoded.block.cells.begin(), decoded.block.cells.end(), memory.begin()));
}

void TestBlockDecoding::readShowsWhatWasProgrammed_data() {
  QTest::addColumn<int>("band");
  QTest::addColumn<QStringList>("changes");  // to the UHF factory settings
  // The worked block and the factory sets are stored files: test_stored_files.
  QTest::newRow("Mono, low tones, single, no battery alarm, VHF")
      << 86 << QStringList{"code=517",      "frequency=160.9125", "alarm_input=2",     "battery_input=7",
                           "tx_count=3",    "panic_filter=9",     "robbery_time=0",    "antifall_time=255",
                           "repeater_code=5", "code_mode=false",  "tones=true",        "battery_alarm=false",
                           "tx_mode=false"};
  QTest::newRow("Mono, high tones: the repeater code only in its cell")
      << 85 << QStringList{"code=1023", "repeater_code=200", "code_mode=false"};
}

void TestBlockDecoding::readShowsWhatWasProgrammed() {
  QFETCH(int, band);
  QFETCH(QStringList, changes);
  FieldValues values = quarn::factory_settings(quarn::Band::Uhf);
  change(values, changes);
  quarn::ParameterBlock image;
  quarn::apply_options(image, values);
  image.device_type = quarn::device_type_new;
  image.band = band;
  const quarn::ProgrammingRun run = quarn::encode_block(image, values);
  QVERIFY(!run.refusal);
  quarn::MemoryRead memory = read_of(run.writes);
  memory[quarn::cell::band] = std::uint8_t(band);
  QCOMPARE(quarn::decode_block(memory).values, values);
}

void TestBlockDecoding::settingsLeftAloneByAReadKeepTheirDefaults_data() {
  QTest::addColumn<QList<int>>("changes");       // to the UHF factory read
  QTest::addColumn<QStringList>("differences");  // from the UHF factory settings
  QTest::newRow("battery alarm 2: on") << QList<int>{5, 2} << QStringList{};
  QTest::newRow("tx mode 255: multiple") << QList<int>{6, 255} << QStringList{};
  QTest::newRow("tones 2: high") << QList<int>{4, 2} << QStringList{};
  QTest::newRow("code mode 2: Quarn, though read as Mono")
      << QList<int>{36, 2, 15, 13, 16, 44, 17, 4} << QStringList{"code=300", "alarm_input=3", "battery_input=1"};
  QTest::newRow("Mono mask 3: no alarm input") << QList<int>{36, 1, 17, 3}
                                               << QStringList{"code_mode=false", "alarm_input=", "battery_input=1"};
}

void TestBlockDecoding::settingsLeftAloneByAReadKeepTheirDefaults() {
  QFETCH(QList<int>, changes);
  QFETCH(QStringList, differences);
  FieldValues expected = quarn::factory_settings(quarn::Band::Uhf);
  change(expected, differences);
  QCOMPARE(quarn::decode_block(uhf_read(changes)).values, expected);
}

QTEST_APPLESS_MAIN(TestBlockDecoding)
#include "test_block_decoding.moc"
