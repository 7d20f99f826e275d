// Session commands of the main window: connect, disconnect, test
// transmission, exit, and reading the transmitter into the fields.

#include "config/block_decoding.h"
#include "ui/notifier.h"
#include "ui/principale.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace quarn {
namespace {

void set_list_text(QComboBox* list, const QString& text) {
  list->setCurrentIndex(list->findText(text));
  list->setEditText(text);  // also a number that is not among the items
}

}  // namespace

void Principale::onConnetti() {
  if (!session_.begin()) return;
  if (!port_.isOpen()) {
    if (const auto error = port_.open()) {
      session_.end();
      showPortError(*error);
      return;
    }
  }
  port_.setReadGranularity(1);
  setState(state_text::waiting);
  session_.readyWait([this](Stop stop) {
    if (stop != Stop::Completed) return finishConnect(stop);
    session_.protocol().send(letter::begin);
    setState(state_text::connected);
    leggi_parametri([this](Stop read_stop) {
      if (read_stop == Stop::Completed) programming_flag_ = 0;
      finishConnect(read_stop);
    });
  });
}

// Cancelling a connect (Disconetti, TX, ESCI) is no port failure: only a port
// that really failed shows the two messages.
void Principale::finishConnect(Stop stop) {
  session_.end();
  if (stop == Stop::PortClosed) showPortError(session_.lastLoss().value_or(PortError{}));
}

void Principale::showPortError(const PortError& error) {
  notifier_.message(QString::number(error.number) + ' ' + error.description, Notifier::Icon::None);
  notifier_.message(message_port_failure, Notifier::Icon::Exclamation);
}

// Disconetti ("E") and TX ("Q"): the letter goes out, the state and the
// fields are reset and the port is closed first; only then does a running
// operation learn that its port has gone and report it.
void Principale::endSessionWith(char end_letter) {
  session_.endSession(end_letter);
  setState(state_text::not_connected);
  emptyFields();
  session_.cancel();
}

void Principale::onEsci() {
  quitting_ = true;  // the interrupted operation leaves no message box behind
  session_.cancel();
  session_.endSession(letter::end);
  setState(state_text::not_connected);
  close();
  emit exitRequested();
}

// The device went away: the port is closed already; the technician can plug
// it back in and connect again.
void Principale::onPortLost() { setState(state_text::not_connected); }

void Principale::emptyFields() {
  for (QLineEdit* field : {c_.CodiceQuarn, c_.FqTx, c_.txb_tmp_rap, c_.txb_amp}) field->clear();
  for (QComboBox* list : {c_.Cmb_n_ing_all, c_.Cmb_N_ing_bat, c_.Cmb_n_tx_tot, c_.cmb_Monorep, c_.Cmb_tmr_p_all}) {
    list->setEditText(QString());
  }
  c_.Text1->clear();
}

void Principale::leggi_parametri(std::function<void(Stop)> done) {
  c_.ProgressBar1->setMaximum(read_count - 1);
  c_.ProgressBar1->show();
  session_.readMemory([this](int address) { c_.ProgressBar1->setValue(address); },
                      [this, done = std::move(done)](Stop stop, const MemoryRead& memory) {
                        hideProgress();
                        if (stop == Stop::Completed) showDecoded(decode_block(memory));
                        done(stop);
                      });
}

void Principale::hideProgress() {
  c_.ProgressBar1->setValue(0);
  c_.ProgressBar1->hide();
}

void Principale::showDecoded(const DecodedBlock& decoded) {
  block_.cells = decoded.block.cells;
  block_.device_type = decoded.block.device_type;
  block_.band = decoded.block.band;
  c_.lab_tipo_quarn->setText(QString::fromStdString(decoded.type_label));
  if (decoded.is_new) {
    block_.block_checksum = decoded.block.block_checksum;
    if (decoded.checksum_mismatch) notifier_.message(message_read_error, Notifier::Icon::Exclamation);
  }

  const auto text = [](const std::string& s) { return QString::fromStdString(s); };
  const auto choose = [this](OptionChoice choice, QRadioButton* for_zero, QRadioButton* for_one) {
    switch (choice) {
      case OptionChoice::SelectForZero: for_zero->setChecked(true); break;
      case OptionChoice::SelectForOne: for_one->setChecked(true); break;
      case OptionChoice::Beep: notifier_.beep(); break;
      case OptionChoice::LeaveUnchanged: break;
    }
  };
  c_.CodiceQuarn->setText(text(decoded.code));
  c_.FqTx->setText(text(decoded.frequency));
  if (decoded.alarm_input) set_list_text(c_.Cmb_n_ing_all, text(*decoded.alarm_input));
  if (decoded.battery_input) set_list_text(c_.Cmb_N_ing_bat, text(*decoded.battery_input));
  choose(decoded.tones, c_.Opt_toni_alti, c_.Opt_toni_bassi);
  choose(decoded.tx_mode, c_.Opt_tx_sing, c_.Opt_tx_mult);
  c_.txb_tmp_rap->setText(text(decoded.robbery_time));
  c_.txb_amp->setText(text(decoded.antifall_time));
  set_list_text(c_.Cmb_n_tx_tot, text(decoded.tx_count));
  choose(decoded.battery_alarm, c_.Opt_bat_no, c_.Opt_bat_si);
  set_list_text(c_.Cmb_tmr_p_all, text(decoded.panic_filter));
  set_list_text(c_.cmb_Monorep, text(decoded.repeater_code));
  choose(decoded.code_mode, c_.opt_quarn, c_.Opt_mono);
  if (decoded.band_text) c_.Text1->setText(text(*decoded.band_text));
}

}  // namespace quarn
