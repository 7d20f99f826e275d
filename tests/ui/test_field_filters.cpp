#include "config/settings_table.h"
#include "tests/ui/recording_notifier.h"
#include "ui/field_filters.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <utility>

namespace quarn {
namespace {

// The limits the window's digit fields take from their settings.
const double code_limit = setting(SettingKey::Code).limits.high;
const double seconds_limit = setting(SettingKey::RobberyTime).limits.high;

// A window with two value fields and a neutral field that holds the focus
// before each case, in this tab order.
struct Form {
  Form() {
    int top = 10;
    for (QLineEdit* edit : {first, second, neutral}) edit->setGeometry(10, std::exchange(top, top + 30), 200, 22);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    neutral->setFocus();
  }

  test::RecordingNotifier notifier;  // outlives the fields' filters
  QWidget window;
  QLineEdit* first = new QLineEdit(&window);
  QLineEdit* second = new QLineEdit(&window);
  QLineEdit* neutral = new QLineEdit(&window);
};

}  // namespace

class FieldFiltersTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form> form_;
  QList<int> selection_at_beeps_;

  // Records where the selection stood at every beep: whether a filter beeps
  // before or after it selects.
  void recordBeeps(QLineEdit* field) {
    selection_at_beeps_.clear();
    form_->notifier.on_beep = [this, field] { selection_at_beeps_.append(field->selectionStart()); };
  }

  void checkOutcome(QLineEdit* field, int beeps, int selection_start) {
    QCOMPARE(form_->notifier.beeps, beeps);
    QCOMPARE(field->selectionStart(), selection_start);
    if (selection_start >= 0) QCOMPARE(field->selectedText().size(), 1);
    QCOMPARE(QApplication::focusWidget(), beeps > 0 ? field : form_->neutral);
  }

 private slots:
  void init() { form_ = std::make_unique<Form>(); }
  void cleanup() { form_.reset(); }

  void digitFilter_data() {
    QTest::addColumn<double>("limit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("selectionStart");  // -1: nothing selected
    QTest::addColumn<QList<int>>("selectionAtBeeps");

    QTest::newRow("code, letter within the limit") << code_limit << "12a4" << 1 << 2 << QList<int>{-1};
    QTest::newRow("code over the limit") << code_limit << "70000" << 5 << 4 << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("code at the limit") << code_limit << "65535" << 0 << -1 << QList<int>{};
    QTest::newRow("code one over the limit") << code_limit << "65536" << 5 << 4 << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("seconds at the limit") << seconds_limit << "255" << 0 << -1 << QList<int>{};
    QTest::newRow("seconds one over the limit") << seconds_limit << "256" << 3 << 2 << QList<int>{0, 1, 2};
    QTest::newRow("seconds with a trailing letter") << seconds_limit << "25x" << 1 << 2 << QList<int>{-1};
    // "1e3" reads as 1000: every position is over the limit, the letter beeps once more.
    QTest::newRow("exponent over the limit") << seconds_limit << "1e3" << 4 << 2 << QList<int>{0, 0, 1, 2};
    QTest::newRow("zero") << seconds_limit << "0" << 0 << -1 << QList<int>{};
    QTest::newRow("empty") << seconds_limit << "" << 0 << -1 << QList<int>{};
    QTest::newRow("blank before digits") << seconds_limit << " 12" << 1 << 0 << QList<int>{-1};
  }

  void digitFilter() {
    QFETCH(double, limit);
    QFETCH(QString, text);
    QFETCH(int, beeps);
    QFETCH(int, selectionStart);
    QFETCH(QList<int>, selectionAtBeeps);
    QLineEdit* field = form_->first;
    field->setText(text);
    recordBeeps(field);

    run_digit_filter(*field, limit, form_->notifier);

    checkOutcome(field, beeps, selectionStart);
    QCOMPARE(selection_at_beeps_, selectionAtBeeps);
    QCOMPARE(field->text(), text);
  }

  void frequencyFilter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<QList<int>>("selectionAtBeeps");

    QTest::newRow("frequency") << "160.9125" << 0 << -1 << QList<int>{};
    QTest::newRow("comma") << "160,9125" << 1 << 3 << QList<int>{3};
    QTest::newRow("stops at the first letter") << "1a2b" << 1 << 1 << QList<int>{1};
    QTest::newRow("points anywhere") << "4..4" << 0 << -1 << QList<int>{};
    QTest::newRow("empty") << "" << 0 << -1 << QList<int>{};
  }

  void frequencyFilter() {
    QFETCH(QString, text);
    QFETCH(int, beeps);
    QFETCH(int, selectionStart);
    QFETCH(QList<int>, selectionAtBeeps);
    QLineEdit* field = form_->first;
    field->setText(text);
    recordBeeps(field);

    run_frequency_filter(*field, form_->notifier);

    checkOutcome(field, beeps, selectionStart);
    QCOMPARE(selection_at_beeps_, selectionAtBeeps);
  }

  // The characters come from the text read at the start; the value test reads
  // the field again at every position.
  void theValueTestReadsTheTextAgain() {
    QLineEdit* field = form_->first;
    field->setText("a1");
    form_->notifier.on_beep = [field] {
      if (field->text() != "999") field->setText("999");
    };

    run_digit_filter(*field, seconds_limit, form_->notifier);

    QCOMPARE(form_->notifier.beeps, 3);
    QCOMPARE(field->selectionStart(), 1);
  }

  // Positions past the 16-bit counter's range are not examined.
  void longTextsStopAtTheLastCountablePosition() {
    QLineEdit* field = form_->first;
    field->setMaxLength(50000);
    field->setText(QString(40000, u'x'));
    run_digit_filter(*field, seconds_limit, form_->notifier);
    QCOMPARE(form_->notifier.beeps, 32767);
    QCOMPARE(field->selectionStart(), 32766);

    form_->notifier.beeps = 0;
    QString frequency(40000, u'1');
    frequency[35000] = u'a';
    field->setText(frequency);
    run_frequency_filter(*field, form_->notifier);
    QCOMPARE(form_->notifier.beeps, 0);
  }

  void filtersRunOnEveryChangeOfTheText() {
    QLineEdit* code = form_->first;
    QLineEdit* frequency = form_->second;
    attach_digit_filter(*code, code_limit, form_->notifier);
    attach_frequency_filter(*frequency, form_->notifier);

    code->setText("12a4");
    QCOMPARE(form_->notifier.beeps, 1);
    QCOMPARE(code->selectionStart(), 2);
    code->clear();
    QCOMPARE(form_->notifier.beeps, 1);

    frequency->setText("1a2b");
    QCOMPARE(form_->notifier.beeps, 2);
    QCOMPARE(frequency->selectionStart(), 1);
    QCOMPARE(QApplication::focusWidget(), frequency);
  }

  // The decimal key of an Italian keypad types ",": the frequency field takes
  // it as the point, from either keyboard; a comma set as text still beeps.
  void aTypedCommaIsThePoint() {
    QLineEdit* frequency = form_->first;
    attach_frequency_filter(*frequency, form_->notifier);
    frequency->setFocus();
    QTest::keyClicks(frequency, "433,925");
    QCOMPARE(frequency->text(), QString("433.925"));
    frequency->clear();
    QTest::keyClicks(frequency, "160");
    QTest::keyClick(frequency, Qt::Key_Comma, Qt::KeypadModifier);
    QTest::keyClicks(frequency, "9125");
    QCOMPARE(frequency->text(), QString("160.9125"));
    QCOMPARE(form_->notifier.beeps, 0);
    frequency->setText("160,9125");
    QCOMPARE(form_->notifier.beeps, 1);
  }

  void typingPastTheLimitBeepsAtTheLastKey() {
    QLineEdit* seconds = form_->first;
    attach_digit_filter(*seconds, seconds_limit, form_->notifier);
    seconds->setFocus();

    QTest::keyClicks(seconds, "30");
    QCOMPARE(form_->notifier.beeps, 0);
    QTest::keyClick(seconds, Qt::Key_0);
    QCOMPARE(form_->notifier.beeps, 3);
    QCOMPARE(seconds->selectedText(), "0");
    QCOMPARE(seconds->selectionStart(), 2);
  }

  void leavingAFaultyFieldBringsTheFocusBack() {
    QLineEdit* seconds = form_->first;
    attach_digit_filter(*seconds, seconds_limit, form_->notifier);
    seconds->setText("300");
    seconds->setFocus();
    form_->notifier.beeps = 0;

    QTest::keyClick(seconds, Qt::Key_Tab);

    QCOMPARE(form_->notifier.beeps, 3);
    QCOMPARE(QApplication::focusWidget(), seconds);
    QCOMPARE(seconds->selectionStart(), 2);
    QCOMPARE(seconds->selectedText(), "0");
    QTest::qWait(100);
    QCOMPARE(form_->notifier.beeps, 3);
  }

  void leavingAFaultyFieldForAnotherSettles() {
    QLineEdit* seconds = form_->first;
    QLineEdit* code = form_->second;
    attach_digit_filter(*seconds, seconds_limit, form_->notifier);
    attach_digit_filter(*code, code_limit, form_->notifier);
    code->setText("12a4");
    seconds->setText("300");
    seconds->setFocus();
    form_->notifier.beeps = 0;

    QTest::keyClick(seconds, Qt::Key_Tab);

    QCOMPARE(form_->notifier.beeps, 3);
    QCOMPARE(QApplication::focusWidget(), seconds);
    QTest::qWait(100);
    QCOMPARE(form_->notifier.beeps, 3);
  }

  // A message box or another window of the program taking the focus is not
  // the operator leaving the field: no filter runs, no beep.
  void focusMovingToAnotherWindowRunsNoFilter() {
    QLineEdit* seconds = form_->first;
    attach_digit_filter(*seconds, seconds_limit, form_->notifier);
    seconds->setText("300");
    seconds->setFocus();
    form_->notifier.beeps = 0;

    QWidget other;
    auto* button = new QLineEdit(&other);
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    button->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), button);

    QCOMPARE(form_->notifier.beeps, 0);
  }

  void leavingAGoodFieldDoesNothing() {
    QLineEdit* frequency = form_->first;
    attach_frequency_filter(*frequency, form_->notifier);
    frequency->setText("160.9125");
    frequency->setFocus();

    QTest::keyClick(frequency, Qt::Key_Tab);

    QCOMPARE(form_->notifier.beeps, 0);
    QCOMPARE(QApplication::focusWidget(), form_->second);
  }
};

}  // namespace quarn

QTEST_MAIN(quarn::FieldFiltersTest)
#include "test_field_filters.moc"
