#include "ui/branding.h"
#include "ui/caption_marquee.h"

#include <QTest>
#include <QTimer>

namespace quarn {

class CaptionMarqueeTest : public QObject {
  Q_OBJECT

 private slots:
  void oneTickMovesTheFirstCharacterToTheEnd() {
    QWidget window;
    window.setWindowTitle("Abc  ");
    auto* marquee = new CaptionMarquee(window);
    marquee->tick();
    QCOMPARE(window.windowTitle(), "bc  A");
    marquee->tick();
    QCOMPARE(window.windowTitle(), "c  Ab");
  }

  void theVendorLineComesBackAfterOneTickPerCharacter() {
    QWidget window;
    const QString line = branding::vendor_line();
    window.setWindowTitle(line);
    auto* marquee = new CaptionMarquee(window);
    for (int tick = 1; tick < line.size(); ++tick) {
      marquee->tick();
      QVERIFY(window.windowTitle() != line);
    }
    marquee->tick();
    QCOMPARE(window.windowTitle(), line);
  }

  void theTimerScrollsFromCreation() {
    QWidget window;
    window.setWindowTitle("Quarn");
    new CaptionMarquee(window);
    auto* timer = window.findChild<QTimer*>("Tmr_scritte");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 150);
    QVERIFY(timer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), "uarnQ", 1000);
  }

  // The length kept at creation rules, whatever the caption has become.
  void aChangedCaptionIsRotatedByTheKeptLength() {
    QWidget window;
    window.setWindowTitle("abcde");
    auto* marquee = new CaptionMarquee(window);

    window.setWindowTitle("xy");
    marquee->tick();
    QCOMPARE(window.windowTitle(), "xyx");
    window.setWindowTitle("123456789");
    marquee->tick();
    QCOMPARE(window.windowTitle(), "67891");
    window.setWindowTitle("");
    marquee->tick();
    QCOMPARE(window.windowTitle(), "");
  }

  void aCaptionEmptyAtCreationKeepsOneCharacter() {
    QWidget window;
    auto* marquee = new CaptionMarquee(window);
    window.setWindowTitle("abc");
    marquee->tick();
    QCOMPARE(window.windowTitle(), "a");
  }
};

}  // namespace quarn

QTEST_MAIN(quarn::CaptionMarqueeTest)
#include "test_caption_marquee.moc"
