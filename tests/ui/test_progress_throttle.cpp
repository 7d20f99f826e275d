// The progress bar follows a transfer at most once a frame: a fast transfer
// paints it a few times, not once per step, and the bar still shows a
// sequence's last step and hides at the end. A step paints the bar alone,
// not what lies behind it, and hiding the bar paints nothing.

#include "tests/ui/principale_fixture.h"
#include "ui/cached_groove_progress_bar.h"
#include "ui/progress_throttle.h"

#include <QEvent>

using namespace quarn;
using namespace quarn::test;

namespace {

// Counts the paint events of one widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

class TestProgressThrottle : public QObject {
  Q_OBJECT

 private slots:
  // A step within a frame of the last shown value waits; the last step of the
  // sequence does not.
  // A busy machine may let a frame pass between two calls, and the step then
  // rightly shows: the steps are tried until they come within one frame.
  void stepsWithinAFrameWaitButTheLastShowsAtOnce() {
    QProgressBar bar;
    ProgressThrottle throttle(bar);
    int shown_within_a_frame = -1;
    for (int attempt = 0; attempt < 1000 && shown_within_a_frame < 0; ++attempt) {
      QElapsedTimer clock;
      clock.start();
      throttle.start(10);
      throttle.step(1);
      throttle.step(2);
      if (!clock.hasExpired(ProgressThrottle::frame_ms)) shown_within_a_frame = bar.value();
    }
    QCOMPARE(shown_within_a_frame, 0);
    QVERIFY(bar.isVisible() || !bar.isHidden());
    throttle.step(10);
    QCOMPARE(bar.value(), 10);
  }

  void aStepAfterAFrameShowsAtOnce() {
    QProgressBar bar;
    ProgressThrottle throttle(bar);
    throttle.start(10);
    QTest::qWait(ProgressThrottle::frame_ms + 5);
    throttle.step(3);
    QCOMPARE(bar.value(), 3);
  }

  // No later step comes (a long wait for a reply): the held value shows.
  void aHeldValueShowsWhenTheStepsStop() {
    QProgressBar bar;
    ProgressThrottle throttle(bar);
    throttle.start(10);
    throttle.step(1);
    throttle.step(2);
    QCOMPARE(bar.value(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(bar.value(), 2, patience_ms);
  }

  // The window's bar is opaque: a step repaints it and nothing behind it,
  // and the bar goes without being painted first.
  void aStepPaintsTheBarAloneAndStoppingPaintsNothing() {
    QWidget window;
    window.resize(300, 100);
    auto* bar = new CachedGrooveProgressBar(&window);
    bar->setGeometry(10, 10, 200, 25);
    bar->hide();
    ProgressThrottle throttle(*bar);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    throttle.start(10);
    QTRY_VERIFY(bar->isVisible());
    QTest::qWait(ProgressThrottle::frame_ms + 5);
    PaintCounter bar_paints(*bar);
    PaintCounter window_paints(window);
    throttle.step(4);
    QCOMPARE(bar->value(), 4);
    QCOMPARE(bar_paints.paints, 1);
    QCOMPARE(window_paints.paints, 0);
    throttle.stop();
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar_paints.paints, 1);
  }

  void stopDropsAHeldValue() {
    QProgressBar bar;
    bar.show();
    ProgressThrottle throttle(bar);
    throttle.start(10);
    throttle.step(4);
    throttle.stop();
    QTest::qWait(3 * ProgressThrottle::frame_ms);
    QCOMPARE(bar.value(), 0);
    QVERIFY(bar.isHidden());
  }

  // Paints of the window's bar over a whole operation: at most 15 a second,
  // plus the first and the last step of each sequence. Unthrottled, each
  // step paints (125 for the unpaced programming run, 63 for the paced read);
  // at 30 a second the paced read painted it 21 times in its 0.8 s.
  void theWindowPaintsTheBarOncePerFrameAtMost_data() {
    QTest::addColumn<bool>("paced");
    QTest::addColumn<bool>("programming");
    QTest::addColumn<int>("sequences");
    QTest::newRow("unpaced programming and read-back") << false << true << 2;
    QTest::newRow("paced connect and read") << true << false << 1;
  }
  void theWindowPaintsTheBarOncePerFrameAtMost() {
    QFETCH(bool, paced);
    QFETCH(bool, programming);
    QFETCH(int, sequences);
    LineTiming timing;
    timing.paced = paced;
    PrincipaleFixture f(uhf_new(), {}, timing);
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    if (programming) {
      QVERIFY(f.connectAndRead());
      QVERIFY(run_until([&] { return f.c().cmd_programma->isEnabled(); }, patience_ms));
    }
    PaintCounter counter(*f.c().ProgressBar1);
    int last_steps_shown = 0;  // each sequence's last step, shown on the bar
    connect(f.c().ProgressBar1, &QProgressBar::valueChanged, &f.window, [&](int value) {
      if (value > 0 && value == f.c().ProgressBar1->maximum()) ++last_steps_shown;
    });
    QElapsedTimer clock;
    clock.start();
    (programming ? f.c().cmd_programma : f.c().Cmd_connetti)->click();
    QVERIFY(run_until([&] { return f.c().ProgressBar1->isHidden() && !f.window.session().busy(); }, patience_ms));
    const qint64 elapsed_ms = clock.elapsed();

    QVERIFY2(counter.paints > 0, "the counter sees the bar's paints");
    const qint64 allowed = elapsed_ms * 15 / 1000 + 2 * sequences;
    QVERIFY2(counter.paints <= allowed,
             qPrintable(QStringLiteral("%1 paints in %2 ms").arg(counter.paints).arg(elapsed_ms)));
    QCOMPARE(last_steps_shown, sequences);
    QCOMPARE(f.c().ProgressBar1->value(), 0);
    QVERIFY(f.notifier.messages.empty());
  }
};

QTEST_MAIN(TestProgressThrottle)
#include "test_progress_throttle.moc"
