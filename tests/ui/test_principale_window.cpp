// The main window on its own: inventory at start, option handlers, the status
// poll's table, list picks and the port list.

#include "tests/ui/principale_fixture.h"

#include <QAccessible>
#include <QGroupBox>
#include <QTimer>

using namespace quarn;
using namespace quarn::test;

class TestPrincipaleWindow : public QObject {
  Q_OBJECT

 private slots:
  void startsEmptyAndTurnsNotConnectedOnTheFirstTick() {
    PrincipaleFixture f;
    QCOMPARE(f.state(), QString());
    QTRY_COMPARE(f.state(), state_text::not_connected);
    const auto& c = f.c();
    for (QLineEdit* box : {c.CodiceQuarn, c.FqTx, c.txb_tmp_rap, c.txb_amp, c.Text1}) QVERIFY(box->text().isEmpty());
    for (QComboBox* list : {c.Cmb_n_ing_all, c.Cmb_N_ing_bat, c.Cmb_n_tx_tot, c.cmb_Monorep, c.Cmb_tmr_p_all}) {
      QVERIFY2(list->currentText().isEmpty(), qPrintable(list->objectName()));
    }
    QCOMPARE(c.Cmb_com->currentText(), QString("Com 1"));
    // The pass that sets the state asks for another, which empties the label.
    QTRY_VERIFY(c.lab_tipo_quarn->text().isEmpty());
    QVERIFY(c.Cmd_connetti->isEnabled());
    QVERIFY(c.Cmb_com->isEnabled());
    QVERIFY(c.Command4->isEnabled());
    for (QPushButton* b : {c.cmd_programma, c.Cmd_disconetti, c.Cmd_init_vhf, c.Cmd_init_uhf, c.Cmd_tx}) {
      QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    }
    QVERIFY(c.ProgressBar1->isHidden());
    QVERIFY(c.Opt_bat_no->isChecked() && c.Opt_tx_mult->isChecked());
    QVERIFY(c.Opt_toni_alti->isChecked() && c.Opt_mono->isChecked());
    // The selections shown at start stored nothing.
    QCOMPARE(f.window.block().cells[cell::code_mode], 0.0);
    QCOMPARE(f.window.block().cells[cell::tx_mode], 0.0);
  }

  void timersAndFocusAtStart() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QCOMPARE(QApplication::focusWidget(), f.c().cmb_Monorep);
    const QTimer* stato = &f.window.statusTimer();
    QCOMPARE(stato->objectName(), QString("Timer_stato"));
    QVERIFY(!f.window.findChild<QTimer*>("Timer_stato"));  // a member, not also a child
    const auto* marquee = f.window.findChild<QTimer*>("Tmr_scritte");
    const QTimer* timer1 = &f.window.session().timer1();
    QVERIFY(stato && marquee && timer1);
    QVERIFY(marquee->isActive() && !timer1->isActive());
    QCOMPARE(marquee->interval(), 150);
    QCOMPARE(timer1->interval(), 4000);
  }

  // An assistive technology (a screen reader, a switch device, a test tool)
  // presses a command through its accessible "Press" action: the command
  // acts at once, as a finished click does, and the button keeps its name.
  void anAccessiblePressActsAtOnce() {
    PrincipaleFixture f;
    QVERIFY(f.pollTicked());
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(f.c().Cmd_connetti);
    QVERIFY(button && button->actionInterface());
    QCOMPARE(button->role(), QAccessible::Button);
    QCOMPARE(button->text(QAccessible::Name), QString("Connetti"));
    QCOMPARE(button->text(QAccessible::Description), QString("Abilita la comunicazione con lo Quarn"));
    QVERIFY(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(run_until([&] { return f.window.session().busy(); }, patience_ms));
    QVERIFY(f.state() != state_text::not_connected);
  }

  // The press returns before the command runs: a command that opens a box
  // (here a refused frequency) never holds the screen reader that pressed it.
  void anAccessiblePressNeverHoldsItsCaller() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    f.c().FqTx->setText("100");
    QVERIFY(f.pollTicked());
    bool press_returned = false;
    bool box_inside_the_press = false;
    f.notifier.on_message = [&](const RecordingNotifier::Message&) { box_inside_the_press = !press_returned; };
    QAccessible::queryAccessibleInterface(f.c().cmd_programma)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    press_returned = true;
    QVERIFY(f.notifier.messages.empty());
    QTRY_VERIFY(!f.notifier.messages.empty());
    QVERIFY(!box_inside_the_press);
    QVERIFY(!f.sent().contains('W'));
  }

  void inventoryGeometryAndTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");  // pixels, relative to the parent
    QTest::addColumn<QString>("caption");
    QTest::newRow("Frame1") << "Frame1" << QRect(16, 96, 137, 65) << "Codice Quarn";
    QTest::newRow("Frame15") << "Frame15" << QRect(456, 176, 153, 65) << "Mono/Quarn ";
    QTest::newRow("Frame11") << "Frame11" << QRect(456, 256, 153, 65) << "Stato di Connesione";
    QTest::newRow("Frame12") << "Frame12" << QRect(24, 400, 577, 49) << "";
    QTest::newRow("Frame18") << "Frame18" << QRect(504, 472, 97, 65) << "Banda";
    QTest::newRow("ProgressBar1") << "ProgressBar1" << QRect(32, 416, 561, 25) << "";
    QTest::newRow("Image1") << "Image1" << QRect(16, 16, 110, 61) << "";
  }
  void inventoryGeometryAndTexts() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    PrincipaleFixture f;
    QCOMPARE(f.window.size(), QSize(624, 561));
    auto* widget = f.window.findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (auto* group = qobject_cast<QGroupBox*>(widget)) QCOMPARE(group->title(), caption);
  }

  void commandsCarryTheirCaptionsAndTooltips() {
    PrincipaleFixture f;
    const auto& c = f.c();
    QCOMPARE(c.Cmd_connetti->toolTip(), QString("Abilita la comunicazione con lo Quarn"));
    QCOMPARE(c.Cmd_disconetti->toolTip(), QString("Chiude la comunicazione con lo Quarn"));
    QCOMPARE(c.cmd_programma->toolTip(), QString("Trasferisce i dati allo Quarn"));
    QCOMPARE(c.Cmd_init_vhf->toolTip(), QString("Trasferisce i dati di Default"));
    QCOMPARE(c.Command4->toolTip(), QString("Chiude il Programma"));
    QVERIFY(c.Cmd_init_uhf->toolTip().isEmpty() && c.Cmd_tx->toolTip().isEmpty());
    QCOMPARE(c.Cmb_n_tx_tot->count(), 5);
    QCOMPARE(c.cmb_Monorep->itemText(63), QString("63"));
    QCOMPARE(c.Cmb_tmr_p_all->itemText(0), QString("0"));
    QCOMPARE(c.Cmb_com->itemText(7), QString("Com 8"));
  }

  void optionsStoreTheirCellWhenSelected_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("cell");
    QTest::addColumn<double>("value");
    QTest::newRow("Opt_toni_bassi") << "Opt_toni_bassi" << "Opt_toni_alti" << cell::tones << 1.0;
    QTest::newRow("Opt_bat_si") << "Opt_bat_si" << "Opt_bat_no" << cell::battery_alarm << 1.0;
    QTest::newRow("Opt_tx_sing") << "Opt_tx_sing" << "Opt_tx_mult" << cell::tx_mode << 0.0;
    QTest::newRow("opt_quarn") << "opt_quarn" << "Opt_mono" << cell::code_mode << 0.0;
  }
  void optionsStoreTheirCellWhenSelected() {
    QFETCH(QString, option);
    QFETCH(QString, other);
    QFETCH(int, cell);
    QFETCH(double, value);
    PrincipaleFixture f;
    auto* chosen = f.window.findChild<QRadioButton*>(option);
    auto* opposite = f.window.findChild<QRadioButton*>(other);
    chosen->click();  // as the technician does
    QCOMPARE(f.window.block().cells[static_cast<std::size_t>(cell)], value);
    opposite->setChecked(true);  // as an operation does
    QCOMPARE(f.window.block().cells[static_cast<std::size_t>(cell)], 1.0 - value);
  }

  void pollTableFollowsTheStateText() {
    PrincipaleFixture f;
    const auto& c = f.c();
    c.txb_stato_con->setText(state_text::waiting);
    QVERIFY(f.pollTicked());
    QVERIFY(c.Cmd_disconetti->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{c.cmd_programma, c.Cmd_init_vhf, c.Cmd_init_uhf, c.Cmd_tx,
                                                      c.Cmb_com, c.Cmd_connetti}) {
      QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    }
    c.txb_stato_con->setText(state_text::connected);
    QVERIFY(f.pollTicked());
    for (QWidget* w : std::initializer_list<QWidget*>{c.cmd_programma, c.Cmd_disconetti, c.Cmd_init_vhf,
                                                      c.Cmd_init_uhf, c.Cmd_tx}) {
      QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    }
    QVERIFY(!c.Cmb_com->isEnabled() && !c.Cmd_connetti->isEnabled());
    QVERIFY(c.Command4->isEnabled());
  }

  void anyOtherStateTextBecomesNotConnectedAndLeavesThePortAlone() {
    PrincipaleFixture f;
    f.link.open();
    f.c().txb_stato_con->setText("Connesso?");
    QTRY_COMPARE(f.state(), state_text::not_connected);
    QVERIFY(f.link.isOpen());
  }

  void pollFieldRulesForANewDevice() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    const auto& c = f.c();
    c.Opt_tx_sing->click();
    QVERIFY(f.pollTicked());
    QVERIFY(!c.Cmb_n_tx_tot->isEnabled());
    c.Opt_tx_mult->click();
    QTRY_VERIFY(c.Cmb_n_tx_tot->isEnabled());
    c.Opt_bat_no->click();
    QTRY_VERIFY(!c.Cmb_N_ing_bat->isEnabled());

    c.Opt_mono->click();
    QTRY_VERIFY(c.cmb_Monorep->isEnabled());
    for (const char* no_number : {"0", "64", "", "x"}) {
      c.cmb_Monorep->setEditText(no_number);
      QVERIFY(f.pollTicked());
      QVERIFY2(c.Opt_toni_alti->isChecked(), no_number);
    }
    c.cmb_Monorep->setEditText("12");
    QTRY_VERIFY(c.Opt_toni_bassi->isChecked());
    QCOMPARE(f.window.block().cells[cell::tones], 1.0);  // the poll's selection stores like a click
  }

  void listPickLeavesTheListWithoutFocus() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QComboBox* list = f.c().Cmb_n_tx_tot;
    list->setFocus();
    QVERIFY(list->hasFocus());
    list->setCurrentIndex(2);
    emit list->activated(2);
    QVERIFY(!list->hasFocus());
    QVERIFY(list->isVisible());
    QCOMPARE(list->currentText(), QString("3"));
  }

  // Typing names no port: the complaint, then the list shows the port in use.
  void typingIntoThePortListOnlyComplains() {
    PrincipaleFixture f;
    choose_port(f.c(), 1);
    QTest::keyClicks(f.c().Cmb_com->lineEdit(), "Com 3");
    QCOMPARE(f.c().Text7->text(), help_port_typing);
    QCOMPARE(f.notifier.beeps, 5);
    QCOMPARE(f.link.portNumber(), 2);
    QCOMPARE(f.c().Cmb_com->currentText(), QString("Com 2"));
  }

  // Typed text that matches an item is no pick: neither Enter nor Tab (nor an
  // inline completion after "C") chooses a port.
  void typedPortNameAndEnterOrTabChoosesNothing() {
    for (const auto& [typed, key] : {std::pair{"Com 3", Qt::Key_Return}, {"Com 5", Qt::Key_Tab}, {"C", Qt::Key_Return}}) {
      PrincipaleFixture f;
      f.window.show();
      QVERIFY(QTest::qWaitForWindowActive(&f.window));
      f.c().Cmb_com->setFocus();
      f.c().Cmb_com->lineEdit()->selectAll();
      QTest::keyClicks(f.c().Cmb_com->lineEdit(), typed);
      QTest::keyClick(f.c().Cmb_com->lineEdit(), key);
      QCOMPARE(f.link.portNumber(), 1);
      QCOMPARE(f.c().Cmb_com->lineEdit()->text(), QString("Com 1"));  // the port in use
      QCOMPARE(f.notifier.beeps, int(qstrlen(typed)));
    }
  }

  // Typing a number and Enter in a value list does not run its pick handler,
  // which would move the focus out of the list.
  void typedValueAndEnterKeepsTheFocus() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QComboBox* list = f.c().Cmb_n_tx_tot;
    list->setFocus();
    QTest::keyClicks(list->lineEdit(), "3");
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QVERIFY(list->hasFocus());
    QCOMPARE(list->currentText(), QString("3"));
  }

  // The arrow keys step through the items: that is a pick.
  void arrowKeyPicksAPort() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.c().Cmb_com->setFocus();
    QTest::keyClick(f.c().Cmb_com, Qt::Key_Down);
    QCOMPARE(f.link.portNumber(), 2);
  }

  void choosingAPortClosesTheOpenOneSilently() {
    PrincipaleFixture f;
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    const QByteArray before = f.sent();
    f.c().Cmb_com->setCurrentIndex(2);
    emit f.c().Cmb_com->activated(2);
    QVERIFY(!f.link.isOpen());
    QCOMPARE(f.link.portNumber(), 3);
    QCOMPARE(f.state(), state_text::connected);  // the state text is not touched
    QVERIFY(f.pollTicked());
    QCOMPARE(f.sent(), before);                   // no letter went out
    QVERIFY(!f.c().Cmb_com->isEnabled());         // the status still holds the list, as for " Connesso"
  }
};

QTEST_MAIN(TestPrincipaleWindow)
#include "test_principale_window.moc"
