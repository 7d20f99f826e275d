#include "config/settings_table.h"

#include <QtTest>

#include <map>
#include <set>

using quarn::SettingDeclaration;
using quarn::SettingKind;

namespace {

QString name_of(const SettingDeclaration& declaration) {
  return QString::fromLatin1(declaration.name.data(), qsizetype(declaration.name.size()));
}

// Who holds each cell 0 to 36: setting names, "constant" and "kept".
std::map<int, QStringList> holders() {
  std::map<int, QStringList> held;
  for (const SettingDeclaration& declaration : quarn::setting_declarations()) {
    for (const quarn::CellSpan& span : declaration.cells) {
      for (int address = span.first; address < span.first + span.count; ++address) {
        held[address] << name_of(declaration);
      }
    }
  }
  for (const quarn::DeviceConstant& constant : quarn::device_constants) held[constant.cell] << "constant";
  for (const int address : quarn::kept_cells) held[address] << "kept";
  return held;
}

}  // namespace

class TestSettingsTable : public QObject {
  Q_OBJECT

 private slots:
  void everyBlockCellHasExactlyOneHolder();
  void inputsRideInTheCodePackets();
  void eachSettingHasItsOwnNameAndMember();
  void eachSettingSaysWhatAFrontEndShows();
  void settingForCell_data();
  void settingForCell();
  void applyOptions_data();
  void applyOptions();
};

void TestSettingsTable::everyBlockCellHasExactlyOneHolder() {
  std::map<int, QStringList> held = holders();
  for (int address = 0; address < quarn::block_size; ++address) {
    const QStringList names = held[address];
    const QString holders_text = names.isEmpty() ? "none" : names.join(", ");
    QVERIFY2(names.size() == 1, qPrintable(QString("cell %1: %2").arg(address).arg(holders_text)));
  }
  // Nothing claims a cell past the block.
  QCOMPARE(int(held.size()), quarn::block_size);
}

void TestSettingsTable::inputsRideInTheCodePackets() {
  const SettingDeclaration& code = quarn::setting(quarn::SettingKey::Code);
  std::set<int> packets;
  for (const quarn::CellSpan& span : code.cells) {
    QCOMPARE(span.count, quarn::packet_size);
    packets.insert(span.first);
  }
  std::set<int> carriers;
  for (const SettingDeclaration& declaration : quarn::setting_declarations()) {
    if (declaration.carrier_packet < 0) continue;
    QVERIFY2(packets.contains(declaration.carrier_packet), qPrintable(name_of(declaration)));
    QVERIFY2(carriers.insert(declaration.carrier_packet).second, qPrintable(name_of(declaration)));
    QCOMPARE(declaration.cells[0].count, 0);
  }
  QCOMPARE(carriers, packets);
}

void TestSettingsTable::eachSettingHasItsOwnNameAndMember() {
  QSet<QString> names;
  std::vector<std::string quarn::FieldValues::*> texts;
  std::vector<bool quarn::FieldValues::*> options;
  for (const SettingDeclaration& declaration : quarn::setting_declarations()) {
    const QString name = name_of(declaration);
    QVERIFY2(QRegularExpression("^[a-z]+(_[a-z]+)*$").match(name).hasMatch(), qPrintable(name));
    QVERIFY2(!names.contains(name), qPrintable(name));
    names.insert(name);
    QCOMPARE(quarn::setting_named(declaration.name), &declaration);
    QCOMPARE(&quarn::setting(declaration.key), &declaration);

    // An option pair keeps a bool, every other kind a text; no member twice.
    const bool option = declaration.kind == SettingKind::OptionPair;
    QVERIFY2(option == (declaration.option != nullptr) && option == (declaration.text == nullptr), qPrintable(name));
    if (option) {
      QVERIFY2(std::ranges::find(options, declaration.option) == options.end(), qPrintable(name));
      options.push_back(declaration.option);
      QVERIFY2(declaration.value_when_true <= 1, qPrintable(name));
    } else {
      QVERIFY2(std::ranges::find(texts, declaration.text) == texts.end(), qPrintable(name));
      texts.push_back(declaration.text);
    }
  }
  QVERIFY(!quarn::setting_named("tx count"));
}

// Captions, units and option words are what the file, quarnctl and the
// window print: none may be missing or shared, and an option's words must
// tell its two choices apart whatever the case.
void TestSettingsTable::eachSettingSaysWhatAFrontEndShows() {
  QSet<QString> captions;
  for (const SettingDeclaration& declaration : quarn::setting_declarations()) {
    const QString name = name_of(declaration);
    const QString caption = QString::fromUtf8(declaration.caption.data(), qsizetype(declaration.caption.size()));
    QVERIFY2(!caption.trimmed().isEmpty() && !captions.contains(caption), qPrintable(name));
    captions.insert(caption);
    const QString unit = QString::fromLatin1(declaration.unit.data(), qsizetype(declaration.unit.size()));
    QVERIFY2(QStringList({"", "MHz", "s"}).contains(unit), qPrintable(name + ": " + unit));
    QVERIFY2(declaration.limits.low <= declaration.limits.high, qPrintable(name));

    QStringList words;
    for (const quarn::OptionWord& choice : declaration.choices) {
      for (const std::string_view word : {choice.word, choice.also[0], choice.also[1]}) {
        if (!word.empty()) words << QString::fromLatin1(word.data(), qsizetype(word.size()));
      }
    }
    const bool option = declaration.kind == SettingKind::OptionPair;
    QVERIFY2(option || (words.isEmpty() && !declaration.file_flag), qPrintable(name));
    if (!option) continue;
    QVERIFY2(!declaration.choices[0].word.empty() && !declaration.choices[1].word.empty(), qPrintable(name));
    QVERIFY2(QSet<QString>(words.begin(), words.end()).size() == words.size(), qPrintable(name));
    for (const QString& word : words) {
      QVERIFY2(QRegularExpression("^[a-z]+$").match(word).hasMatch(), qPrintable(name + ": " + word));
    }
  }
}

void TestSettingsTable::settingForCell_data() {
  QTest::addColumn<int>("address");
  QTest::addColumn<QString>("setting");  // empty: none
  QTest::newRow("0") << 0 << "robbery_time";
  QTest::newRow("2") << 2 << "tx_count";
  QTest::newRow("3: constant") << 3 << "";
  QTest::newRow("4") << 4 << "tones";
  QTest::newRow("12: last frequency cell") << 12 << "frequency";
  QTest::newRow("13: first of the alarm packet") << 13 << "code";
  QTest::newRow("21: last of the alarm packet") << 21 << "code";
  QTest::newRow("22: kept") << 22 << "";
  QTest::newRow("33: last of the battery packet") << 33 << "code";
  QTest::newRow("36") << 36 << "code_mode";
  QTest::newRow("37: filler") << 37 << "";
  QTest::newRow("-1") << -1 << "";
}

void TestSettingsTable::settingForCell() {
  QFETCH(int, address);
  QFETCH(QString, setting);
  const SettingDeclaration* found = quarn::setting_for_cell(address);
  QCOMPARE(found ? name_of(*found) : QString(), setting);
}

void TestSettingsTable::applyOptions_data() {
  QTest::addColumn<bool>("quarn_mode");
  QTest::addColumn<bool>("low_tones");
  QTest::addColumn<bool>("battery_alarm");
  QTest::addColumn<bool>("multiple_tx");
  QTest::addColumn<QList<int>>("cells");  // 4, 5, 6, 36
  QTest::newRow("Quarn, Alti, Si, Mult") << true << false << true << true << QList<int>{0, 1, 1, 0};
  QTest::newRow("Mono, Bassi, No, Sing") << false << true << false << false << QList<int>{1, 0, 0, 1};
  QTest::newRow("Mono only") << false << false << true << true << QList<int>{0, 1, 1, 1};
  QTest::newRow("Sing only") << true << false << true << false << QList<int>{0, 1, 0, 0};
}

void TestSettingsTable::applyOptions() {
  QFETCH(bool, quarn_mode);
  QFETCH(bool, low_tones);
  QFETCH(bool, battery_alarm);
  QFETCH(bool, multiple_tx);
  QFETCH(QList<int>, cells);
  quarn::ParameterBlock image;
  image.cells.fill(7);
  quarn::FieldValues values;
  values.quarn_mode = quarn_mode;
  values.low_tones = low_tones;
  values.battery_alarm = battery_alarm;
  values.multiple_tx = multiple_tx;
  quarn::apply_options(image, values);
  namespace cell = quarn::cell;
  const QList<int> options{cell::tones, cell::battery_alarm, cell::tx_mode, cell::code_mode};
  for (int address = 0; address < quarn::block_size; ++address) {
    const qsizetype option = options.indexOf(address);
    QCOMPARE(image.cells[address], option < 0 ? 7.0 : double(cells[option]));
  }
}

QTEST_APPLESS_MAIN(TestSettingsTable)
#include "test_settings_table.moc"
