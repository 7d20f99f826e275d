// The window's status (the commands' enabled states, the type label, the
// field rules) follows each change it depends on; an idle window paints
// nothing and wakes only for the caption marquee, connected or not. The first
// update after a change paints what it changed, which also shows that the
// paint counting sees the paints.

#include "tests/ui/principale_fixture.h"
#include "ui/pick_list.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>

#include <map>
#include <set>
#include <utility>

using namespace quarn;
using namespace quarn::test;

namespace {

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
 public:
  void watch(QWidget* widget) {
    widget->installEventFilter(this);
    paints_[widget] = 0;
  }
  // The widgets painted since the last call, with their counts.
  std::map<QString, int> take() {
    std::map<QString, int> painted;
    for (auto& [widget, count] : paints_) {
      if (count > 0) painted[widget->objectName()] = count;
      count = 0;
    }
    return painted;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_[static_cast<QWidget*>(watched)];
    return false;
  }

 private:
  std::map<QWidget*, int> paints_;
};

// Counts the timer events of the window's own objects: the window, its
// descendants, its status timer and its session's reply time-out.
class TimerCounter : public QObject {
 public:
  explicit TimerCounter(Principale& window) {
    watched_ = {&window, &window.statusTimer(), &window.session(), &window.session().timer1()};
    for (QObject* child : window.findChildren<QObject*>()) watched_.insert(child);
    qApp->installEventFilter(this);
  }
  // The objects that had timer events since the last call, with their counts.
  std::map<QString, int> take() { return std::exchange(ticks_, {}); }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::Timer && watched_.count(receiver)) {
      const QString name = receiver->objectName();
      ++ticks_[name.isEmpty() ? QString::fromLatin1(receiver->metaObject()->className()) : name];
    }
    return false;
  }

 private:
  std::set<const QObject*> watched_;
  std::map<QString, int> ticks_;
};

// Waits until the status has followed the last change, then runs the event
// loop for as long as `ticks` ticks of a 10 ms timer take, so that the paints
// it caused, or any that come later, are delivered.
bool run_ticks(PrincipaleFixture& f, int ticks) {
  if (!f.pollTicked()) return false;
  QTest::qWait(ticks * 10);
  return true;
}

QString counted_text(const std::map<QString, int>& painted) {
  QStringList names;
  for (const auto& [name, count] : painted) names << QStringLiteral("%1 x%2").arg(name).arg(count);
  return names.join(", ");
}

}  // namespace

class TestStatusPollPainting : public QObject {
  Q_OBJECT

 private slots:
  void idleTicksPaintNothing_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("oldDevice");
    QTest::addColumn<QString>("changed");  // what the first update after the change paints
    // Disconnected after a read: the status empties the type label.
    QTest::newRow("not connected") << false << false << "lab_tipo_quarn";
    // Mono selected: a New device gets its repeater code list enabled; an
    // Old one is taken back to Quarn mode, every time it is selected again.
    QTest::newRow("connected, New device") << true << false << "cmb_Monorep";
    QTest::newRow("connected, Old device") << true << true << "opt_quarn";
  }
  void idleTicksPaintNothing() {
    QFETCH(bool, connected);
    QFETCH(bool, oldDevice);
    QFETCH(QString, changed);
    // The text cursor of the focused list would blink and paint it.
    QApplication::setCursorFlashTime(0);
    PrincipaleFixture f(factory_default_cells(Band::Uhf, oldDevice ? Generation::Old : Generation::New));
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QVERIFY(f.connectAndRead());
    QVERIFY(run_ticks(f, 5));
    QCOMPARE(f.c().lab_tipo_quarn->text(), oldDevice ? QString("Old") : QString("New"));

    const auto& c = f.c();
    PaintCounter counter;
    // Everything the status sets: the commands, the type label and the fields of its rules.
    for (QWidget* widget : std::initializer_list<QWidget*>{
             c.cmd_programma, c.Cmd_disconetti, c.Cmd_init_vhf, c.Cmd_init_uhf, c.Cmd_tx, c.Cmb_com, c.Cmd_connetti,
             c.lab_tipo_quarn, c.Cmb_tmr_p_all, c.cmb_Monorep, c.Cmb_n_tx_tot, c.Cmb_N_ing_bat, c.opt_quarn,
             c.Opt_toni_bassi, c.txb_stato_con}) {
      counter.watch(widget);
    }

    if (connected)
      c.Opt_mono->setChecked(true);
    else
      c.Cmd_disconetti->click();
    counter.take();
    QVERIFY(run_ticks(f, 2));
    QCOMPARE(f.state(), connected ? state_text::connected : state_text::not_connected);
    const std::map<QString, int> first = counter.take();
    QVERIFY2(first.count(changed), qPrintable(counted_text(first)));
    if (!connected) QVERIFY(c.lab_tipo_quarn->text().isEmpty());
    if (oldDevice) QVERIFY(c.opt_quarn->isChecked());

    QVERIFY(run_ticks(f, 50));
    const std::map<QString, int> idle = counter.take();
    QVERIFY2(idle.empty(), qPrintable(counted_text(idle)));
  }

  // A technician's laptop runs on battery: an idle window must let the
  // processor sleep. Only the caption marquee (150 ms) wakes it; the
  // marquee's ticks show that the counting sees timer events.
  void anIdleWindowWakesOnlyForTheMarquee_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("not connected") << false;
    QTest::newRow("connected") << true;
  }
  void anIdleWindowWakesOnlyForTheMarquee() {
    QFETCH(bool, connected);
    QApplication::setCursorFlashTime(0);
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    if (connected) QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    QCOMPARE(f.state(), connected ? state_text::connected : state_text::not_connected);

    TimerCounter counter(f.window);
    QTest::qWait(400);
    std::map<QString, int> ticks = counter.take();
    QVERIFY2(ticks["Tmr_scritte"] > 0, qPrintable(counted_text(ticks)));
    ticks.erase("Tmr_scritte");
    QVERIFY2(ticks.empty(), qPrintable(counted_text(ticks)));
  }

  // The focused list's text cursor blinks twice a second in an idle window:
  // each blink repaints the list's text area alone, not the group and the
  // window behind it, and the list looks as a plain editable list does.
  void aCursorBlinkRepaintsTheListAlone() {
    QApplication::setCursorFlashTime(0);
    QWidget window;
    window.setObjectName("window");
    window.resize(200, 80);
    auto* list = new PickList(&window);
    auto* plain = new QComboBox(&window);
    plain->setEditable(true);
    for (QComboBox* each : {static_cast<QComboBox*>(list), plain}) {
      each->addItems({"1", "12"});
      each->setEditText("12");
    }
    list->setGeometry(10, 10, 80, 22);
    plain->setGeometry(110, 10, 80, 22);
    list->setObjectName("list");
    list->lineEdit()->setObjectName("text");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Each drawn while the other one has the focus.
    plain->setFocus();
    const QImage list_look = list->grab().toImage();
    list->setFocus();
    QCOMPARE(list_look, plain->grab().toImage());
    window.repaint();  // what the focus changes left to paint

    PaintCounter counter;
    for (QWidget* widget : {&window, static_cast<QWidget*>(list), static_cast<QWidget*>(list->lineEdit())}) {
      counter.watch(widget);
    }
    std::map<QString, int> painted;
    const auto collect = [&] {
      for (const auto& [name, count] : counter.take()) painted[name] += count;
      return painted.count("text") > 0;
    };
    list->lineEdit()->update(QRect(5, 2, 1, 14));  // where the cursor blinks
    QTRY_VERIFY(collect());
    QTest::qWait(20);  // anything else the update brings
    collect();
    QCOMPARE(painted, (std::map<QString, int>{{"text", 1}}));
  }
};

QTEST_MAIN(TestStatusPollPainting)
#include "test_status_poll_painting.moc"
