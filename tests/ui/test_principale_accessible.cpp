// The main window as a screen reader sees it: every control named uniquely
// by its own words and its group, each group's help text as its controls'
// description, a steady window name, and the help following the keyboard.

#include "tests/ui/principale_fixture.h"
#include "ui/help_line.h"

#include <QAccessible>
#include <QGroupBox>

using namespace quarn;
using namespace quarn::test;

namespace {

// Every interface below `root` that a technician operates or reads.
void collect_controls(QAccessibleInterface* root, QList<QAccessibleInterface*>& out) {
  for (int i = 0; i < root->childCount(); ++i) {
    QAccessibleInterface* child = root->child(i);
    if (!child || child->state().invisible) continue;
    switch (child->role()) {
      case QAccessible::RadioButton:
      case QAccessible::CheckBox:
      case QAccessible::Button:
      case QAccessible::ComboBox:
      case QAccessible::EditableText: out << child; continue;  // a list's own line edit is its part
      default: collect_controls(child, out);
    }
  }
}

// Qt on Linux gives a list's value as its name and its label by relation;
// the name set for it is what the other platforms say.
QString name_of(QAccessibleInterface* control) {
  if (control->role() == QAccessible::ComboBox) return static_cast<QWidget*>(control->object())->accessibleName();
  return control->text(QAccessible::Name);
}

}  // namespace

class TestPrincipaleAccessible : public QObject {
  Q_OBJECT

 private slots:
  void everyControlHasAUniqueMeaningfulName() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QList<QAccessibleInterface*> controls;
    collect_controls(QAccessible::queryAccessibleInterface(&f.window), controls);
    QCOMPARE(controls.size(), 29);  // 8 options, the Old box, 7 commands, 6 lists, 7 boxes
    QStringList names;
    for (QAccessibleInterface* control : controls) {
      const QString name = name_of(control);
      QVERIFY2(name.size() >= 2, qPrintable(control->object()->objectName()));
      QVERIFY2(!names.contains(name), qPrintable(name));
      names << name;
    }
    const std::pair<QWidget*, QString> expected[] = {
        {f.c().Opt_bat_si, "Si, Batteria Scarica"},  {f.c().Opt_bat_no, "No, Batteria Scarica"},
        {f.c().Opt_toni_alti, "Alti, Toni H/L"},     {f.c().Opt_toni_bassi, "Bassi, Toni H/L"},
        {f.c().Opt_tx_sing, "Sing, TX Sing/Mult"},   {f.c().Opt_tx_mult, "Mult, TX Sing/Mult"},
        {f.c().opt_quarn, "Quarn, Mono/Quarn"},      {f.c().Opt_mono, "Mono, Mono/Quarn"},
        {f.c().CodiceQuarn, "Codice Quarn"},         {f.c().Cmb_N_ing_bat, "Su Ing N°, Batteria Scarica"},
        {f.c().cmb_Monorep, "Cod Rep, Mono/Quarn"},  {f.c().Cmb_com, "Porta, Setup Com"},
        {f.c().Text7, "Riga di aiuto"},              {f.c().OLd_new, "Old, Inizializza"},
    };
    for (const auto& [widget, name] : expected) QCOMPARE(name_of(QAccessible::queryAccessibleInterface(widget)), name);
    // A list with a label of its own is labelled by it.
    const auto labels = QAccessible::queryAccessibleInterface(f.c().cmb_Monorep)->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty());
    QCOMPARE(labels.front().first->text(QAccessible::Name), QString("Cod Rep"));
  }

  // The group's help text, as the help line shows it on pointing, is what
  // a screen reader says when the focus arrives on any of its controls.
  void eachGroupsControlsCarryItsHelpText() {
    PrincipaleFixture f;
    int described = 0;
    for (const auto& [group_name, text] : help_texts()) {
      auto* group = f.window.findChild<QGroupBox*>(group_name);
      if (!group) continue;
      for (QWidget* control : group->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus) continue;
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Description), text.trimmed());
        ++described;
      }
    }
    QVERIFY(described >= 20);
  }

  void theWindowsNameStaysWhileTheCaptionScrolls() {
    PrincipaleFixture f;
    f.window.show();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&f.window);
    const QString caption = f.window.windowTitle();
    QVERIFY(run_until([&] { return f.window.windowTitle() != caption; }, patience_ms));
    QCOMPARE(window->text(QAccessible::Name), QString("Configuratore Per Quarn"));
  }

  // Tab into a group shows its help; a field's filter taking the focus
  // back, or a click, does not move it.
  void theHelpFollowsTheKeyboardFocus() {
    PrincipaleFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.c().Cmb_n_ing_all->setFocus(Qt::OtherFocusReason);
    QCOMPARE(f.c().Text7->text(), QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // to Connetti, in no group with help
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    const QString alarm_input_help = " Inserire su quale ingresso deve inviare l'allarme Rapina e Antiatteramento";
    QCOMPARE(f.c().Text7->text(), alarm_input_help);
    f.c().FqTx->setFocus(Qt::MouseFocusReason);
    QCOMPARE(f.c().Text7->text(), alarm_input_help);
  }
};

QTEST_MAIN(TestPrincipaleAccessible)
#include "test_principale_accessible.moc"
