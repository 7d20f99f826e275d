// The status poll runs every 10 ms: a tick that changes nothing must paint
// nothing, connected or not. The first tick after a change paints what it
// changed, which also shows that the paint counting sees the paints.

#include "tests/ui/principale_fixture.h"

#include <QApplication>
#include <QEvent>

#include <map>

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

// Runs the event loop until the status poll has ticked `ticks` more times.
bool run_ticks(Principale& window, int ticks) {
  const QTimer* poll = &window.statusTimer();
  int seen = 0;
  QEventLoop loop;
  const auto counting = QObject::connect(poll, &QTimer::timeout, &loop, [&] {
    if (++seen == ticks) loop.quit();
  });
  QTimer::singleShot(patience_ms, &loop, [&] { loop.exit(1); });
  const bool ticked = loop.exec() == 0;
  QObject::disconnect(counting);
  return ticked;
}

QString painted_text(const std::map<QString, int>& painted) {
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
    QTest::addColumn<QString>("changed");  // what the first tick after the change paints
    // Not connected the tick empties the type label.
    QTest::newRow("not connected") << false << false << "lab_tipo_quarn";
    // Mono selected: a New device gets its repeater code list enabled; an
    // Old one is taken back to Quarn mode, on every tick it is selected again.
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
    if (connected) QVERIFY(f.connectAndRead());
    QVERIFY(run_ticks(f.window, 5));
    QCOMPARE(f.state(), connected ? state_text::connected : state_text::not_connected);

    const auto& c = f.c();
    PaintCounter counter;
    // Everything the poll sets: the commands, the type label and the fields of its rules.
    for (QWidget* widget : std::initializer_list<QWidget*>{
             c.cmd_programma, c.Cmd_disconetti, c.Cmd_init_vhf, c.Cmd_init_uhf, c.Cmd_tx, c.Cmb_com, c.Cmd_connetti,
             c.lab_tipo_quarn, c.Cmb_tmr_p_all, c.cmb_Monorep, c.Cmb_n_tx_tot, c.Cmb_N_ing_bat, c.opt_quarn,
             c.Opt_toni_bassi, c.txb_stato_con}) {
      counter.watch(widget);
    }

    if (connected)
      c.Opt_mono->setChecked(true);
    else
      c.lab_tipo_quarn->setText("New");
    counter.take();
    QVERIFY(run_ticks(f.window, 2));
    const std::map<QString, int> first = counter.take();
    QVERIFY2(first.count(changed), qPrintable(painted_text(first)));
    if (!connected) QVERIFY(c.lab_tipo_quarn->text().isEmpty());
    if (oldDevice) QVERIFY(c.opt_quarn->isChecked());

    QVERIFY(run_ticks(f.window, 50));
    const std::map<QString, int> idle = counter.take();
    QVERIFY2(idle.empty(), qPrintable(painted_text(idle)));
  }
};

QTEST_MAIN(TestStatusPollPainting)
#include "test_status_poll_painting.moc"
