// The message box texts of a programming run's refusals and warning, character
// for character: blanks, accents and the ranges they quote.

#include "documents/operator_texts.h"

#include <QtTest>

using quarn::Refusal;
using quarn::RefusalReason;
using quarn::SettingKey;

namespace {

Refusal out_of_range(SettingKey setting, int low, int high) {
  return {.reason = RefusalReason::OutOfRange, .setting = setting, .range = {low, high}};
}

}  // namespace

class TestRefusalTexts : public QObject {
  Q_OBJECT

 private slots:
  void refusalText_data() {
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QString>("text");
    QTest::newRow("outside the U band")
        << Refusal{.reason = RefusalReason::OutsideBand, .setting = SettingKey::Frequency, .range = {400, 480}}
        << "Frequenza Fuori Banda !";
    QTest::newRow("outside the V band")
        << Refusal{.reason = RefusalReason::OutsideBand, .setting = SettingKey::Frequency, .range = {130, 185}}
        << "Frequenza Fuori Banda !";
    QTest::newRow("frequency") << out_of_range(SettingKey::Frequency, 0, 4194303) << "Errore Freq Tx Mhz Fuori Range";
    QTest::newRow("Mono code: two blanks, and 1 as the lower end")
        << out_of_range(SettingKey::Code, 0, 1023) << "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)";
    QTest::newRow("Quarn code") << out_of_range(SettingKey::Code, 0, 65535)
                                << "Errore Codice Quarn Fuori Range (0 - 65535)";
    QTest::newRow("repeater code in a Mono packet") << out_of_range(SettingKey::RepeaterCode, 0, 63)
                                                    << "Errore Cod Rep Fuori Range (0 - 63)";
    QTest::newRow("repeater code cell") << out_of_range(SettingKey::RepeaterCode, 0, 255)
                                        << "Errore Cod Rep Fuori Range (0 - 255)";
    QTest::newRow("alarm input") << out_of_range(SettingKey::AlarmInput, 1, 8)
                                 << "Errore N\u00b0 Ing di All Fuori Range (1 - 8)";
    QTest::newRow("battery input") << out_of_range(SettingKey::BatteryInput, 1, 8)
                                   << "Errore Batteria Scarica Su Ing N\u00b0 Fuori Range (1 - 8)";
    QTest::newRow("tx count") << out_of_range(SettingKey::TxCount, 0, 255)
                              << "Errore N\u00b0 di Tx Tot Fuori Range (0 - 255)";
    QTest::newRow("panic filter") << out_of_range(SettingKey::PanicFilter, 0, 255)
                                  << "Errore Filtro P. All Fuori Range (0 - 255)";
    QTest::newRow("robbery time") << out_of_range(SettingKey::RobberyTime, 0, 255)
                                  << "Errore Timer per rapina Fuori Range (0 - 255)";
    QTest::newRow("antifall time") << out_of_range(SettingKey::AntifallTime, 0, 255)
                                   << "Errore Timer Antiatterramento Fuori Range (0 - 255)";
    QTest::newRow("kept cell no byte")
        << Refusal{.reason = RefusalReason::ImageCellNotByte, .setting = std::nullopt, .range = {0, 255}, .cell = 22}
        << "Errore Parametri Fuori Range (0 - 255)";
    QTest::newRow("option cell no byte")
        << Refusal{.reason = RefusalReason::ImageCellNotByte, .setting = SettingKey::Tones, .range = {0, 255}, .cell = 4}
        << "Errore Parametri Fuori Range (0 - 255)";
  }
  void refusalText() {
    QFETCH(Refusal, refusal);
    QFETCH(QString, text);
    QCOMPARE(quarn::refusal_text(refusal), text);
  }

  void transmitRangeWarning() {
    quarn::ProgrammingRun run;
    QCOMPARE(quarn::run_warning_text(run), std::nullopt);
    run.outside_transmit_ranges = true;
    QCOMPARE(quarn::run_warning_text(run), std::optional<QString>("Frequenza TX fuori range!"));
  }
};

QTEST_APPLESS_MAIN(TestRefusalTexts)
#include "test_operator_texts.moc"
