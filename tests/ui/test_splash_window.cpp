#include "ui/branding.h"
#include "ui/splash_window.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace quarn {

class SplashWindowTest : public QObject {
  Q_OBJECT

 private:
  QPointer<SplashWindow> splash_;

  QLabel* label(const char* name) { return splash_->findChild<QLabel*>(name); }

 private slots:
  void init() {
    splash_ = new SplashWindow;
    splash_->show();
    QVERIFY(QTest::qWaitForWindowActive(splash_));
  }
  void cleanup() { delete splash_; }

  void atStart() {
    QCOMPARE(splash_->objectName(), "TITOLO");
    QCOMPARE(splash_->windowTitle(), branding::vendor_name());
    QCOMPARE(splash_->size(), QSize(617, 512));
    QCOMPARE(label("lab_fabbrica")->text(), "Fabbrica");
    QCOMPARE(label("Label28")->text(), "Version  \"" QUARN_VERSION "\"");
    QCOMPARE(label("Label27")->text(), "for \"Windows 9x,2000,XP °\"");
    QCOMPARE(label("Label23")->text(), branding::vendor_name());
    QCOMPARE(label("Image1")->pixmap().size(), QSize(320, 480));
    QCOMPARE(QApplication::focusWidget(), splash_->findChild<QPushButton*>("Command1"));
  }

  void everyTextFitsItsLabel() {
    for (const char* name : {"Label24", "Label28", "lab_fabbrica", "Label27", "Label26", "Label23"}) {
      QLabel* text = label(name);
      QVERIFY2(text->sizeHint().width() <= text->width(), name);
      QVERIFY2(text->sizeHint().height() <= text->height(), name);
    }
  }

  void theTimerRewritesTheEditionLabel() {
    auto* timer = splash_->findChild<QTimer*>("Timer_titolo");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    label("lab_fabbrica")->setText("Demo");
    QTRY_COMPARE_WITH_TIMEOUT(label("lab_fabbrica")->text(), "Fabbrica", 1000);
  }

  void continuaClosesTheSplashThenSignals_data() {
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("Enter at start") << true;
    QTest::newRow("click") << false;
  }

  void continuaClosesTheSplashThenSignals() {
    QFETCH(bool, byEnter);
    QPointer<QTimer> timer = splash_->findChild<QTimer*>("Timer_titolo");
    bool timer_ran_at_signal = true;
    bool splash_shown_at_signal = true;
    connect(splash_, &SplashWindow::continued, this, [&] {
      timer_ran_at_signal = timer->isActive();
      splash_shown_at_signal = splash_->isVisible();
    });
    QSignalSpy continued(splash_.data(), &SplashWindow::continued);

    if (byEnter) {
      QTest::keyClick(splash_->windowHandle(), Qt::Key_Return);
    } else {
      QTest::mouseClick(splash_->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    }

    QCOMPARE(continued.count(), 1);
    QVERIFY(!timer_ran_at_signal);
    QVERIFY(!splash_shown_at_signal);
    QTRY_VERIFY(splash_.isNull());
  }
};

}  // namespace quarn

QTEST_MAIN(quarn::SplashWindowTest)
#include "test_splash_window.moc"
