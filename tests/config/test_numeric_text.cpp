#include "config/numeric_text.h"

#include <QtTest>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>

namespace {

// A C++ locale that writes and reads numbers with a decimal comma, available
// on every system whatever locales are installed.
struct CommaPunctuation : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

// Installs a comma-separator locale for C and C++ code alike while in scope;
// `installed` is false when the system has none.
class CommaLocale {
 public:
  CommaLocale() {
    for (const char* name : {"it_IT.UTF-8", "de_DE.UTF-8", "it_IT", "de_DE"}) {
      if (std::setlocale(LC_ALL, name)) {
        installed = true;
        break;
      }
    }
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool installed = false;
};

}  // namespace

class TestNumericText : public QObject {
  Q_OBJECT

 private slots:
  void numericValue_data();
  void numericValue();
  void numericValueOutOfRange();
  void isOneNumber_data();
  void isOneNumber();
  void byteValue_data();
  void byteValue();
  void decimalText_data();
  void decimalText();
  void ignoresCppLocale();
  void ignoresCLocale();
};

void TestNumericText::numericValue_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("expected");
  QTest::newRow("empty") << "" << 0.0;
  QTest::newRow("blanks inside") << " 1 2" << 12.0;
  QTest::newRow("blanks inside fraction") << " 4 3 3.925" << 433.925;
  QTest::newRow("tab, line feed, return") << "\t4\n6\r0" << 460.0;
  QTest::newRow("stops at letter") << "12a4" << 12.0;
  QTest::newRow("exponent e") << "1e3" << 1000.0;
  QTest::newRow("exponent d") << "1d2" << 100.0;
  QTest::newRow("exponent capital, negative") << "25E-1" << 2.5;
  QTest::newRow("exponent without digits") << "1e" << 1.0;
  QTest::newRow("exponent sign without digits") << "7e-x" << 7.0;
  QTest::newRow("hexadecimal") << "&HFF" << 255.0;
  QTest::newRow("hexadecimal lower case") << "&hff" << 255.0;
  QTest::newRow("octal") << "&O17" << 15.0;
  QTest::newRow("octal stops at 8") << "&O78" << 7.0;
  QTest::newRow("ampersand alone") << "&" << 0.0;
  QTest::newRow("minus alone") << "-" << 0.0;
  QTest::newRow("negative") << "-12.5" << -12.5;
  QTest::newRow("plus") << "+3" << 3.0;
  QTest::newRow("point alone") << "." << 0.0;
  QTest::newRow("leading point") << ".5" << 0.5;
  QTest::newRow("trailing point") << "5." << 5.0;
  QTest::newRow("comma is no separator") << "433,925" << 433.0;
  QTest::newRow("second point stops") << "1.2.3" << 1.2;
  QTest::newRow("letter first") << "x12" << 0.0;
}

void TestNumericText::numericValue() {
  QFETCH(QString, text);
  QFETCH(double, expected);
  QCOMPARE(quarn::numeric_value(text.toStdString()), expected);
}

void TestNumericText::numericValueOutOfRange() {
  QCOMPARE(quarn::numeric_value("1e400"), std::numeric_limits<double>::infinity());
  QCOMPARE(quarn::numeric_value("-1e99999999999"), -std::numeric_limits<double>::infinity());
  QCOMPARE(quarn::numeric_value("1e-400"), 0.0);
  QCOMPARE(quarn::numeric_value("0.000001e-400"), 0.0);
  QCOMPARE(quarn::numeric_value(std::string(400, '9')), std::numeric_limits<double>::infinity());
}

// What a settings file or the command line may give: one number, read to
// its last character, and no blank anywhere.
void TestNumericText::isOneNumber_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("one_number");
  for (const char* text : {"12", "433.92", ".5", "5.", "-0", "+3", "25E-1", "1d2", "&HFF", "&o17", "0065535"}) {
    QTest::newRow(text) << text << true;
  }
  for (const char* text : {"", " 30", "30 ", "3 0", "\t1", "30s", "12O4", "4..4", "433,92", "1e", "7e-", "&H", "&O8",
                           ".", "-", "x12"}) {
    QTest::newRow(qPrintable(QString("not: \"%1\"").arg(text))) << text << false;
  }
}

void TestNumericText::isOneNumber() {
  QFETCH(QString, text);
  QFETCH(bool, one_number);
  QCOMPARE(quarn::is_one_number(text.toStdString()), one_number);
}

void TestNumericText::byteValue_data() {
  QTest::addColumn<double>("number");
  QTest::addColumn<int>("expected");  // -1: no byte
  QTest::newRow("0.5 to even 0") << 0.5 << 0;
  QTest::newRow("1.5 to even 2") << 1.5 << 2;
  QTest::newRow("2.5 to even 2") << 2.5 << 2;
  QTest::newRow("254.5 to even 254") << 254.5 << 254;
  QTest::newRow("2.6 up") << 2.6 << 3;
  QTest::newRow("255.4 down") << 255.4 << 255;
  QTest::newRow("255.5 to 256") << 255.5 << -1;
  QTest::newRow("256") << 256.0 << -1;
  QTest::newRow("-0.4 to 0") << -0.4 << 0;
  QTest::newRow("-0.5 to even 0") << -0.5 << 0;
  QTest::newRow("-0.6 to -1") << -0.6 << -1;
  QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << -1;
  QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -1;
}

void TestNumericText::byteValue() {
  QFETCH(double, number);
  QFETCH(int, expected);
  const auto byte = quarn::byte_value(number);
  QCOMPARE(byte ? int(*byte) : -1, expected);
}

void TestNumericText::decimalText_data() {
  QTest::addColumn<double>("number");
  QTest::addColumn<QString>("expected");
  QTest::newRow("whole") << 460.0 << "460";
  QTest::newRow("fraction") << 160.9125 << "160.9125";
  QTest::newRow("half step") << 160.91875 << "160.91875";
  QTest::newRow("zero") << 0.0 << "0";
  QTest::newRow("negative zero") << -0.0 << "0";
  QTest::newRow("negative") << -12.5 << "-12.5";
  QTest::newRow("below one") << 0.00625 << "0.00625";
  QTest::newRow("binary noise cut at 15 digits") << 0.1 + 0.2 << "0.3";
  QTest::newRow("rounds up at 15 digits") << 999999999999999.9 << "1000000000000000";
  QTest::newRow("huge, no exponent") << 1e20 << "100000000000000000000";
  QTest::newRow("tiny, no exponent") << 1.5e-7 << "0.00000015";
  QTest::newRow("15 significant digits") << 1.0 / 3 << "0.333333333333333";
}

void TestNumericText::decimalText() {
  QFETCH(double, number);
  QFETCH(QString, expected);
  QCOMPARE(QString::fromStdString(quarn::decimal_text(number)), expected);
}

void TestNumericText::ignoresCppLocale() {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunctuation));
  const double value = quarn::numeric_value("433.925");
  const std::string text = quarn::decimal_text(160.9125);
  std::locale::global(previous);
  QCOMPARE(value, 433.925);
  QCOMPARE(QString::fromStdString(text), QString("160.9125"));
}

void TestNumericText::ignoresCLocale() {
  const CommaLocale locale;
  if (!locale.installed) QSKIP("no locale with a decimal comma is installed");
  QCOMPARE(quarn::numeric_value("433.925"), 433.925);
  QCOMPARE(quarn::numeric_value("1.5e3"), 1500.0);
  QCOMPARE(QString::fromStdString(quarn::decimal_text(160.91875)), QString("160.91875"));
}

QTEST_APPLESS_MAIN(TestNumericText)
#include "test_numeric_text.moc"
