#include "ui/branding.h"
#include "ui/help_line.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace quarn {
namespace {

const QString robbery_help = " Inserire il Tempo di preallarme Rapina espresso in sec (Range 1 - 255 sec)";

template <typename Widget>
Widget* add(QWidget* parent, const char* name, QRect geometry) {
  auto* widget = new Widget(parent);
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

// A few groups of the main window as they stand there: listed groups with
// fields and labels inside, unlisted groups, a button, the title label and
// the help line itself.
struct Window {
  Window() {
    window.resize(640, 400);
    auto* frame3 = add<QGroupBox>(&window, "Frame3", {20, 20, 145, 65});
    frame3->setTitle("Timer per rapina");
    add<QLineEdit>(frame3, "txb_tmp_rap", {10, 25, 60, 22});
    seconds_label = add<QLabel>(frame3, "seconds_label", {80, 28, 55, 18});
    seconds_label->setText("1 - 255 S");
    add<QGroupBox>(&window, "Frame10", {200, 20, 145, 65})->setTitle("Setup Com");
    add<QComboBox>(window.findChild<QWidget*>("Frame10"), "Cmb_com", {10, 25, 120, 22})->setEditable(true);
    add<QGroupBox>(&window, "Frame18", {380, 20, 100, 65})->setTitle("Banda");
    add<QLineEdit>(window.findChild<QWidget*>("Frame18"), "Text1", {10, 25, 80, 22});
    auto* frame7 = add<QGroupBox>(&window, "Frame7", {20, 120, 105, 57});
    add<QPushButton>(frame7, "Cmd_connetti", {10, 10, 85, 37})->setText("Connetti");
    add<QLabel>(&window, "Label7", {200, 120, 200, 20})->setText("Configuratore Per Quarn");
    auto* frame12 = add<QGroupBox>(&window, "Frame12", {20, 300, 577, 49});
    help = add<QLineEdit>(frame12, "Text7", {8, 12, 561, 25});
    new HelpLine(window, *help);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }

  // Moves the pointer over `point` of `name`, as the windowing system would.
  void moveOver(const char* name, QPoint point) {
    auto* target = window.findChild<QWidget*>(name);
    QVERIFY2(target, name);
    QTest::mouseMove(window.windowHandle(), target->mapTo(&window, point));
  }
  void moveOverCentre(const char* name) { moveOver(name, window.findChild<QWidget*>(name)->rect().center()); }
  void moveOverBareWindow() { QTest::mouseMove(window.windowHandle(), {600, 200}); }

  QWidget window;
  QLabel* seconds_label = nullptr;
  QLineEdit* help = nullptr;
};

// Inside every group's border, below its caption, clear of its children.
const QPoint group_surface{5, 55};

}  // namespace

class HelpLineTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Window> w_;

 private slots:
  void init() { w_ = std::make_unique<Window>(); }
  void cleanup() { w_.reset(); }

  void everyGroupHasAHelpTextStartingWithABlank() {
    QStringList names;
    for (const auto& [name, text] : help_texts()) {
      names << name;
      QVERIFY2(text.startsWith(u' '), qPrintable(name));
    }
    QCOMPARE(names, QStringList({"Frame1", "Frame2", "Frame3", "Frame4", "Frame5", "batteria_scarica", "Frame6",
                                 "Frame15", "tx_s_m", "toni_h_l", "Frame17", "Frame11", "Frame10", "Label7",
                                 "Image1"}));
  }

  void aGroupKeepsItsTextWhileThePointerIsOnAFieldInside() {
    w_->moveOver("Frame3", group_surface);
    QCOMPARE(w_->help->text(), robbery_help);
    w_->moveOverCentre("txb_tmp_rap");
    QCOMPARE(w_->help->text(), robbery_help);
    w_->moveOverBareWindow();
    QCOMPARE(w_->help->text(), QString());
  }

  // Labels ignore pointer moves; one that tracks the pointer hands its moves
  // on to the group, which must not take them for its own.
  void aLabelInsideAGroupShowsNothing() {
    w_->moveOverBareWindow();
    w_->moveOverCentre("seconds_label");
    QCOMPARE(w_->help->text(), QString());
    w_->seconds_label->setMouseTracking(true);
    w_->moveOverCentre("seconds_label");
    QCOMPARE(w_->help->text(), QString());
  }

  void unlistedControlsLeaveTheTextStanding() {
    w_->moveOver("Frame3", group_surface);
    for (const char* name : {"Frame18", "Frame7"}) {
      w_->moveOver(name, {3, 50});
      QCOMPARE(w_->help->text(), robbery_help);
    }
    for (const char* name : {"Cmd_connetti", "Text1", "Cmb_com", "Text7"}) {
      w_->moveOverCentre(name);
      QCOMPARE(w_->help->text(), robbery_help);
    }
  }

  void setupComTextEndsWithABlank() {
    w_->moveOver("Frame10", group_surface);
    QCOMPARE(w_->help->text(), " Setup Com seleziona la porta di comunicazione seriale ");
  }

  void titleLabelShowsTitleAndVersion() {
    w_->moveOverCentre("Label7");
    QCOMPARE(w_->help->text(), branding::title_version_line());
  }

  void theSameTextIsWrittenAgainAfterTheLineChanged() {
    w_->moveOver("Frame3", group_surface);
    w_->help->setText(" Errore com");
    w_->moveOver("Frame3", group_surface + QPoint(1, 0));
    QCOMPARE(w_->help->text(), robbery_help);
  }
};

}  // namespace quarn

QTEST_MAIN(quarn::HelpLineTest)
#include "test_help_line.moc"
