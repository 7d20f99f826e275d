// Session commands of the main window: connect, disconnect, test
// transmission, exit, and reading the transmitter into the fields.

#include "config/block_decoding.h"
#include "ui/notifier.h"
#include "ui/principale.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace quarn {
void Principale::onConnetti() {
  session_.connectAndRead([this](const Outcome& outcome, const ReadResult& read) { finishConnect(outcome, read); });
}

// Cancelling a connect (Disconetti, TX, ESCI) is no port failure: only a port
// that really failed shows the two messages.
void Principale::finishConnect(const Outcome& outcome, const ReadResult& read) {
  hideProgress();
  switch (outcome.kind) {
    case OutcomeKind::Completed:
      leggi_parametri(read);
      programming_flag_ = 0;
      break;
    case OutcomeKind::PortError:
    case OutcomeKind::DeviceLost:
      showPortError(outcome.port_error);
      break;
    case OutcomeKind::Cancelled:
    case OutcomeKind::NoAcknowledgement:
    case OutcomeKind::BackupFailed:
      break;
  }
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
  session_.endSession(letter::end);
  session_.cancel();
  setState(state_text::not_connected);
  close();
  emit exitRequested();
}

// The device went away: the port is closed already; the technician can plug
// it back in and connect again.
void Principale::onPortLost() { setState(state_text::not_connected); }

void Principale::emptyFields() {
  for (QLineEdit* field : {controls_.CodiceQuarn, controls_.FqTx, controls_.txb_tmp_rap, controls_.txb_amp}) field->clear();
  for (QComboBox* list : {controls_.Cmb_n_ing_all, controls_.Cmb_N_ing_bat, controls_.Cmb_n_tx_tot, controls_.cmb_Monorep, controls_.Cmb_tmr_p_all}) {
    list->setEditText(QString());
  }
  controls_.Text1->clear();
}

void Principale::startProgress(bool, int last_address) { progress_.start(last_address); }

void Principale::hideProgress() { progress_.stop(); }

void Principale::leggi_parametri(const ReadResult& read, bool writes_unconfirmed) {
  const DecodedBlock decoded = decode_block(read.cells);
  block_.cells = decoded.block.cells;
  block_.device_type = decoded.block.device_type;
  block_.band = decoded.block.band;
  controls_.lab_tipo_quarn->setText(QString::fromStdString(decoded.type_label));
  if (decoded.is_new) block_.block_checksum = decoded.block.block_checksum;
  // One message, however many of the checks fail.
  if ((decoded.is_new && decoded.checksum_mismatch) || read.out_of_step || writes_unconfirmed) {
    notifier_.message(message_read_error, Notifier::Icon::Exclamation);
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
  controls_.CodiceQuarn->setText(text(decoded.code));
  controls_.FqTx->setText(text(decoded.frequency));
  if (decoded.alarm_input) controls_.Cmb_n_ing_all->showText(text(*decoded.alarm_input));
  if (decoded.battery_input) controls_.Cmb_N_ing_bat->showText(text(*decoded.battery_input));
  choose(decoded.tones, controls_.Opt_toni_alti, controls_.Opt_toni_bassi);
  choose(decoded.tx_mode, controls_.Opt_tx_sing, controls_.Opt_tx_mult);
  controls_.txb_tmp_rap->setText(text(decoded.robbery_time));
  controls_.txb_amp->setText(text(decoded.antifall_time));
  controls_.Cmb_n_tx_tot->showText(text(decoded.tx_count));
  choose(decoded.battery_alarm, controls_.Opt_bat_no, controls_.Opt_bat_si);
  controls_.Cmb_tmr_p_all->showText(text(decoded.panic_filter));
  controls_.cmb_Monorep->showText(text(decoded.repeater_code));
  choose(decoded.code_mode, controls_.opt_quarn, controls_.Opt_mono);
  if (decoded.band_text) controls_.Text1->setText(text(*decoded.band_text));
}

}  // namespace quarn
