// An application nobody types into stops its text cursor's blinking after the
// time-out, and the next key or click makes it blink again; a platform set
// not to blink is left as it is, and the blink comes back with the watcher gone.

#include "ui/cursor_blink_timeout.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace quarn;

namespace {

constexpr int platform_flash_ms = 1000;
// Longer than half a blink: a key's first blink comes before the next stop.
constexpr int short_timeout_ms = 3 * platform_flash_ms / 2;

enum class Input { None, Key, Click };

// Counts the ticks of the line edits' cursor timers.
class BlinkCounter : public QObject {
 public:
  BlinkCounter() { qApp->installEventFilter(this); }
  int ticks = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer && watched->inherits("QWidgetLineControl")) ++ticks;
    return false;
  }
};

}  // namespace

class TestCursorBlinkTimeout : public QObject {
  Q_OBJECT

 private slots:
  void theBlinkStopsUntilTheNextKeyOrClick_data() {
    QTest::addColumn<bool>("platformBlinks");
    QTest::addColumn<Input>("input");
    QTest::addColumn<int>("flashAfterInput");
    QTest::newRow("nobody types") << true << Input::None << 0;
    QTest::newRow("a key") << true << Input::Key << platform_flash_ms;
    QTest::newRow("a click") << true << Input::Click << platform_flash_ms;
    QTest::newRow("a platform that does not blink") << false << Input::Key << 0;
  }
  void theBlinkStopsUntilTheNextKeyOrClick() {
    QFETCH(bool, platformBlinks);
    QFETCH(Input, input);
    QFETCH(int, flashAfterInput);
    QApplication::setCursorFlashTime(platformBlinks ? platform_flash_ms : 0);
    QLineEdit field;
    field.show();
    QApplication::setActiveWindow(&field);
    QVERIFY(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    BlinkCounter blinks;
    if (platformBlinks) QTRY_VERIFY(blinks.ticks > 0);  // the counter sees the blink

    auto timeout = std::make_unique<CursorBlinkTimeout>(nullptr, short_timeout_ms);
    QTRY_COMPARE(QApplication::cursorFlashTime(), 0);
    // Stopped: the cursor's timer is gone, not only its repaints.
    blinks.ticks = 0;
    QTest::qWait(platform_flash_ms);
    QCOMPARE(blinks.ticks, 0);

    if (input == Input::Key) QTest::keyClick(&field, Qt::Key_A);
    if (input == Input::Click) QTest::mouseClick(&field, Qt::LeftButton);
    QCOMPARE(QApplication::cursorFlashTime(), flashAfterInput);
    if (flashAfterInput > 0) QTRY_VERIFY(blinks.ticks > 0);

    // With the watcher gone the platform's blink is back, whatever the state.
    timeout.reset();
    QCOMPARE(QApplication::cursorFlashTime(), platformBlinks ? platform_flash_ms : 0);
  }
};

QTEST_MAIN(TestCursorBlinkTimeout)
#include "test_cursor_blink_timeout.moc"
