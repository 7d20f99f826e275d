#include "ui/principale.h"

#include "config/option_rules.h"

#include "config/numeric_text.h"
#include "config/settings_table.h"
#include "documents/backup_store.h"
#include "link/port_names.h"
#include "ui/branding.h"
#include "ui/caption_marquee.h"
#include "ui/cursor_blink_timeout.h"
#include "ui/field_bindings.h"
#include "ui/field_filters.h"
#include "ui/help_line.h"
#include "ui/immediate_press.h"
#include "ui/notifier.h"
#include "ui/pick_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace quarn {
namespace {

// Hides and shows a list after a pick so that the keyboard focus leaves it.
void bounce(QComboBox* list, int times) {
  for (int i = 0; i < times; ++i) {
    list->hide();
    list->show();
  }
}

// The status sets every state each time it follows a change; what is already
// so must paint nothing. QLabel::clear() repaints even an empty label, so texts
// are compared first; enabled states likewise, by the widget's own setting
// (isEnabled() would also reflect a disabled parent).
void set_text(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

void set_enabled(QWidget* widget, bool enabled) {
  const bool set_disabled = widget->testAttribute(Qt::WA_ForceDisabled);
  if (set_disabled == enabled) widget->setEnabled(enabled);
}

}  // namespace

Principale::Principale(TransmitterSession& session, Notifier& notifier, QWidget* parent)
    : QWidget(parent), notifier_(notifier), session_(session), port_(session.port()),
      controls_(build_principale_controls(this)), progress_(*controls_.ProgressBar1) {
  setObjectName("Principale");
  setFixedSize(624, 561);
  QFont face("Arial");
  face.setPointSizeF(8.25);
  face.setBold(true);
  setFont(face);

  setWindowTitle(branding::vendor_line());
  setAccessibleName(application_name);  // steady, while the caption scrolls
  controls_.Image1->setPixmap(branding::logo());
  controls_.Label1->setText(branding::vendor_name());

  connectFieldHandlers();
  help_line_ = new HelpLine(*this, *controls_.Text7);
  new CursorBlinkTimeout(this);

  for (auto [list, times] : {std::pair{controls_.Cmb_n_ing_all, 1}, {controls_.Cmb_N_ing_bat, 1}, {controls_.cmb_Monorep, 1},
                             {controls_.Cmb_tmr_p_all, 1}, {controls_.Cmb_n_tx_tot, 2}}) {
    connect(list, &PickList::picked, this, [list, times] { bounce(list, times); });
  }
  connect(controls_.Cmb_com, &PickList::picked, this, &Principale::onPortChosen);
  // Adapters come and go: the list is looked up again each time it opens.
  connect(controls_.Cmb_com, &PickList::popupAboutToShow, this, &Principale::refreshPortTips);
  // Typing names no port: after the complaint the list shows the port in use again.
  connect(controls_.Cmb_com->lineEdit(), &QLineEdit::textEdited, this, [this] {
    controls_.Text7->setText(help_port_typing);
    notifier_.beep();
    controls_.Cmb_com->setEditText(controls_.Cmb_com->itemText(port_.portNumber() - SerialLink::first_port));
  });

  // The field rules consult the repeater code: parse it when it changes.
  connect(controls_.cmb_Monorep, &QComboBox::editTextChanged, this,
          [this](const QString& text) { repeater_value_ = numeric_value(text.toStdString()); });

  // Settings files, beside the window's controls.
  setAcceptDrops(true);
  connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &Principale::saveSettings);
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, &Principale::openSettings);

  for (QPushButton* command : findChildren<QPushButton*>()) press_at_once_when_accessible(*command);
  connect(controls_.Cmd_connetti, &QPushButton::clicked, this, &Principale::onConnetti);
  connect(controls_.Cmd_disconetti, &QPushButton::clicked, this, [this] { endSessionWith(letter::end); });
  connect(controls_.Cmd_tx, &QPushButton::clicked, this, [this] { endSessionWith(letter::test_transmission); });
  connect(controls_.Command4, &QPushButton::clicked, this, &Principale::onEsci);
  connect(controls_.cmd_programma, &QPushButton::clicked, this, &Principale::onProgramma);
  connect(controls_.Cmd_init_uhf, &QPushButton::clicked, this, [this] { onFactoryDefaults(Band::Uhf); });
  connect(controls_.Cmd_init_vhf, &QPushButton::clicked, this, [this] { onFactoryDefaults(Band::Vhf); });
  connect(&session_, &TransmitterSession::deviceLost, this, &Principale::onPortLost);
  connect(&session_, &TransmitterSession::waitingForReady, this, [this] {
    setState(state_text::waiting);
    ready_hint_.start();
  });
  connect(&session_, &TransmitterSession::sessionStarted, this, [this] {
    ready_hint_.stop();
    help_line_->clearSaid();
    setState(state_text::connected);
  });
  ready_hint_.setObjectName("ready_hint");
  ready_hint_.setSingleShot(true);
  ready_hint_.setInterval(ready_hint_ms);
  connect(&ready_hint_, &QTimer::timeout, this, &Principale::showReadyHint);
  // The last outcome stays until the next operation starts.
  connect(&session_, &TransmitterSession::busyChanged, this, [this](bool busy) {
    if (busy) help_line_->clearSaid();
    if (!busy) ready_hint_.stop();
  });
  session_.setWithoutBackupQuestion([this](const FileError& why) {
    return notifier_.question(backup_failure_text(why) + '\n' + question_without_backup, false);
  });
  connect(&session_, &TransmitterSession::stepsStarted, this, &Principale::startProgress);
  read_back_limit_.setSingleShot(true);
  connect(&read_back_limit_, &QTimer::timeout, &session_, &TransmitterSession::cancel);
  connect(&session_, &TransmitterSession::progress, &progress_, &ProgressThrottle::step);

  timer_stato_.setObjectName("Timer_stato");
  timer_stato_.setSingleShot(true);
  timer_stato_.setInterval(0);
  connect(&timer_stato_, &QTimer::timeout, this, &Principale::applyStatus);
  followWhatTheStatusReads();
  statusChanged();  // the state box is empty at start

  controls_.cmb_Monorep->setFocus();
}

// A typed field gets the filter of the characters its setting accepts, and
// each option button stores its setting's cell with the value it stands for.
void Principale::connectFieldHandlers() {
  for (const FieldBinding& binding : field_bindings) {
    const SettingDeclaration& declaration = setting(binding.key);
    if (binding.box && declaration.typed == TypedCharacters::Digits) {
      attach_digit_filter(*(controls_.*binding.box), declaration.limits.high, notifier_);
    } else if (binding.box && declaration.typed == TypedCharacters::DigitsAndPoint) {
      attach_frequency_filter(*(controls_.*binding.box), notifier_);
    }
    if (!binding.buttons[0]) continue;
    for (const int value : {0, 1}) {
      connect(controls_.*binding.buttons[value], &QRadioButton::toggled, this,
              [this, address = declaration.cell(), value](bool selected) {
                if (selected) storeOption(address, value);
              });
    }
  }
}

// What the status follows, besides the device type (leggi_parametri) and
// the programming flag: the state text (typing into it counts too), the
// running operation, and every field of the bindings, so that the field rules
// hold whichever option, list or text changes, a field added later included.
void Principale::followWhatTheStatusReads() {
  connect(controls_.txb_stato_con, &QLineEdit::textChanged, this, &Principale::statusChanged);
  connect(&session_, &TransmitterSession::busyChanged, this, &Principale::statusChanged);
  for (const FieldBinding& binding : field_bindings) {
    if (binding.box) connect(controls_.*binding.box, &QLineEdit::textChanged, this, &Principale::statusChanged);
    if (binding.list) connect(controls_.*binding.list, &QComboBox::editTextChanged, this, &Principale::statusChanged);
    for (QRadioButton* PrincipaleControls::*button : binding.buttons) {
      if (button) connect(controls_.*button, &QRadioButton::toggled, this, &Principale::statusChanged);
    }
  }
}

// The load step: the marquee keeps the caption's length as it is when the
// window is first shown.
void Principale::showEvent(QShowEvent* event) {
  if (!marquee_) marquee_ = new CaptionMarquee(*this);
  QWidget::showEvent(event);
}

void Principale::setState(const QString& text) { controls_.txb_stato_con->setText(text); }

void Principale::statusChanged() {
  if (programming_flag_ == 0) timer_stato_.start();
}

// Enables the commands by connection state and applies the field rules.
void Principale::applyStatus() {
  const QString state = controls_.txb_stato_con->text();
  const bool connected = state == state_text::connected;
  const bool waiting = state == state_text::waiting;
  if (!connected && !waiting && state != state_text::not_connected) {
    setState(state_text::not_connected);
    return;
  }
  // A running link operation keeps the commands that would start a second one disabled.
  const bool idle = !session_.busy();
  set_enabled(controls_.cmd_programma, connected && programming_flag_ == 0 && idle);
  set_enabled(controls_.Cmd_disconetti, connected || waiting);
  set_enabled(controls_.Cmd_init_vhf, connected && idle);
  set_enabled(controls_.Cmd_init_uhf, connected && idle);
  set_enabled(controls_.Cmd_tx, connected);
  set_enabled(controls_.Cmb_com, !connected && !waiting);
  set_enabled(controls_.Cmd_connetti, !connected && !waiting);
  if (!connected && !waiting) set_text(controls_.lab_tipo_quarn, QString());
  if (connected) applyFieldRules();
}

void Principale::applyFieldRules() {
  if (generation_of(block_.device_type) == Generation::New) {
    set_enabled(controls_.Cmb_tmr_p_all, true);
    set_enabled(controls_.cmb_Monorep, controls_.Opt_mono->isChecked());
  } else {
    set_enabled(controls_.cmb_Monorep, false);
    set_enabled(controls_.Cmb_tmr_p_all, false);
    controls_.opt_quarn->setChecked(true);  // an Old device always stays in Quarn mode; unchanged, it does nothing
  }
  set_enabled(controls_.Cmb_n_tx_tot, !controls_.Opt_tx_sing->isChecked());
  set_enabled(controls_.Cmb_N_ing_bat, controls_.Opt_bat_si->isChecked());
  if (controls_.Opt_mono->isChecked() && repeater_code_selects_low_tones(repeater_value_)) {
    controls_.Opt_toni_bassi->setChecked(true);
  }
}

void Principale::onPortChosen(int index) {
  if (port_.isOpen()) port_.close();
  port_.setPortNumber(SerialLink::first_port + index);
  controls_.Cmb_com->setEnabled(false);
  controls_.Cmb_com->setEnabled(true);
  statusChanged();  // the list's enabled state is the status's to set
}

void Principale::refreshPortTips() {
  const std::vector<PortInfo> ports = listed_ports();
  for (int index = 0; index < controls_.Cmb_com->count(); ++index) {
    const int number = SerialLink::first_port + index;
    controls_.Cmb_com->setItemData(index, port_choice_text(number, port_choice(number, ports)), Qt::ToolTipRole);
  }
}

void Principale::paintEvent(QPaintEvent*) {
  // The two decorative rectangles: settings and commands, and the bottom row.
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(120 / 15, 120 / 15, (9240 - 120) / 15, (6840 - 120) / 15);
  painter.drawRect(120 / 15, 6960 / 15, (9240 - 120) / 15, (8280 - 6960) / 15);
}

}  // namespace quarn
