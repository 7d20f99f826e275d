// The progress bar that keeps its groove's picture paints exactly what the
// style's own bar paints, at any value and after every change that redraws
// the groove; and a step paints it without the raster engine's thread pool.

#include "ui/cached_groove_progress_bar.h"

#include <QImage>
#include <QPalette>
#include <QProgressBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

using namespace quarn;

namespace {

enum class Change { None, Resize, Disable, Palette, Text };

void apply(Change change, QProgressBar& bar) {
  switch (change) {
    case Change::None:
      break;
    case Change::Resize:
      bar.resize(300, 31);
      break;
    case Change::Disable:
      bar.setEnabled(false);
      break;
    case Change::Palette: {
      QPalette palette = bar.palette();
      palette.setColor(QPalette::Base, Qt::yellow);
      palette.setColor(QPalette::Window, Qt::darkCyan);
      bar.setPalette(palette);
      break;
    }
    case Change::Text:
      bar.setTextVisible(true);
      break;
  }
}

// One style that draws the same at any time: some platform styles animate a
// glow across the bar, which two pictures taken apart would catch.
QStyle& still_style() {
  static const std::unique_ptr<QStyle> style(QStyleFactory::create(QStringLiteral("Fusion")));
  return *style;
}

void prepare(QProgressBar& bar, int value) {
  bar.setStyle(&still_style());
  bar.setAutoFillBackground(true);
  bar.setTextVisible(false);
  bar.resize(561, 25);
  bar.setMaximum(62);
  bar.setValue(value);
}

#ifdef Q_OS_LINUX
// Times this thread went to sleep waiting for something.
long voluntary_switches() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}
#endif

}  // namespace

class TestCachedGrooveProgressBar : public QObject {
  Q_OBJECT

 private slots:
  void paintsWhatTheStylePaints_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<Change>("change");
    QTest::newRow("empty") << 0 << Change::None;
    QTest::newRow("part way") << 31 << Change::None;
    QTest::newRow("full") << 62 << Change::None;
    QTest::newRow("resized after a paint") << 20 << Change::Resize;
    QTest::newRow("disabled after a paint") << 20 << Change::Disable;
    QTest::newRow("new palette after a paint") << 20 << Change::Palette;
    QTest::newRow("text shown after a paint") << 20 << Change::Text;
  }
  void paintsWhatTheStylePaints() {
    QFETCH(int, value);
    QFETCH(Change, change);
    QProgressBar plain;
    CachedGrooveProgressBar cached;
    prepare(plain, value);
    prepare(cached, value);
    QCOMPARE(cached.grab().toImage(), plain.grab().toImage());
    apply(change, plain);
    apply(change, cached);
    cached.setValue(value + 1);
    plain.setValue(value + 1);
    QCOMPARE(cached.grab().toImage(), plain.grab().toImage());
  }

#ifdef Q_OS_LINUX
  // The style's groove went through the pool on every paint: the plain bar
  // shows that this machine's raster engine does so, the cached one that a
  // step no longer waits for it.
  void aStepWaitsForNoOtherThread() {
    QProgressBar plain;
    CachedGrooveProgressBar cached;
    QImage canvas(561, 25, QImage::Format_ARGB32_Premultiplied);
    const auto switches_over_steps = [&](QProgressBar& bar) {
      prepare(bar, 0);
      bar.render(&canvas);  // the first paint draws the kept groove
      const long before = voluntary_switches();
      for (int value = 1; value <= 62; ++value) {
        bar.setValue(value);
        bar.render(&canvas);
      }
      return voluntary_switches() - before;
    };
    if (switches_over_steps(plain) == 0) QSKIP("this raster engine paints the groove without its thread pool");
    QCOMPARE(switches_over_steps(cached), 0);
  }
#endif
};

QTEST_MAIN(TestCachedGrooveProgressBar)
#include "test_cached_groove_progress_bar.moc"
