// Session commands of the main window: connect, disconnect, test
// transmission, exit, and reading the transmitter into the fields.

#include "config/block_decoding.h"
#include "config/read_comparison.h"
#include "ui/field_bindings.h"
#include "ui/help_line.h"
#include "ui/notifier.h"
#include "ui/outcome_texts.h"
#include "ui/principale.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace quarn {
void Principale::onConnetti() {
  if (session_.busy()) return;
  type_read_ = false;
  connect_reading_ = true;
  session_.connectAndRead([this](const Outcome& outcome, const ReadResult& read) { finishConnect(outcome, read); });
}

// Cancelling a connect (Disconetti, TX, ESCI) is no port failure: only a port
// that really failed shows the two messages.
void Principale::finishConnect(const Outcome& outcome, const ReadResult& read) {
  hideProgress();
  connect_reading_ = false;
  switch (outcome.kind) {
    case OutcomeKind::Completed:
      leggi_parametri(read);
      programming_flag_ = 0;
      // A read out of step filled nothing: the file stays for the next one.
      if (!read.out_of_step && pending_file_) offerPendingFile();
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

// The port error path: the failure, with what to do about it where that is
// known, then the window's own message.
void Principale::showPortError(const PortError& error) {
  const QString failure = QString::number(error.number) + ' ' + error.description;
  const std::optional<QString> remedy = port_remedy_text(error);
  notifier_.message(remedy ? failure + '\n' + *remedy : failure, Notifier::Icon::None);
  notifier_.message(message_port_failure, Notifier::Icon::Exclamation);
}

// Disconetti ("E") and TX ("Q"): the letter goes out, the state and the
// fields are reset and the port is closed first; only then does a running
// operation learn that its port has gone and report it.
void Principale::endSessionWith(char end_letter) {
  if (!editsMayGo()) return;
  help_line_->clearSaid();
  session_.endSession(end_letter);
  setState(state_text::not_connected);
  emptyFields();
  session_.cancel();
}

// A connect is cut short at once; a write run is let end first, so that
// quitting never leaves a transmitter half written.
void Principale::onEsci() {
  if (write_run_) return quitAfterRun(Quit::Esci);
  if (editsMayGo()) quitNow();
}

void Principale::quitNow() {
  session_.endSession(letter::end);
  session_.cancel();
  setState(state_text::not_connected);
  close();
  emit exitRequested();
}

// Closing by the frame sends nothing: the port goes with the window. The
// program's own close (ESCI, a quit after a run) has asked already.
void Principale::closeEvent(QCloseEvent* event) {
  if (write_run_) {
    event->ignore();
    return quitAfterRun(Quit::Frame);
  }
  if (event->spontaneous() && !editsMayGo()) return event->ignore();
  QWidget::closeEvent(event);
}

// A running operation (a write run, the ready wait, a read) is stopped at
// once, as ever: only values typed at rest ask.
bool Principale::editsMayGo() {
  if (session_.busy() || !fieldsHoldUnprogrammedValues()) return true;
  return notifier_.question(question_discard_edits, false);
}

bool Principale::fieldsHoldUnprogrammedValues() const {
  const std::optional<MemoryRead> last_read = session_.lastRead();
  if (!last_read || !type_read_ || controls_.txb_stato_con->text() != state_text::connected) return false;
  return !fields_match_read(fieldValues(), decode_block(*last_read));
}

void Principale::showReadyHint() {
  help_line_->say(QString(" Nessun trasmettitore risponde su Com %1 (%2): controllare cavo e porta; Disconetti per fermare")
                      .arg(port_.portNumber())
                      .arg(QDir::toNativeSeparators(port_.device())));
}

// ESCI wins over the frame: it also tells the transmitter that the session ends.
void Principale::quitAfterRun(Quit quit) {
  if (pending_quit_ != Quit::Esci) pending_quit_ = quit;
  help_line_->say(quit_pending_text());
  if (!run_writing_) limitReadBack();
}

// The writes are all acknowledged by now; the read-back only checks them and
// its read steps have no time-out of their own, so a device that stops
// answering must not hold the quit for ever.
void Principale::limitReadBack() {
  if (!read_back_limit_.isActive()) read_back_limit_.start(session_.timer1().interval());
}

// A write run has ended and been reported: a quit asked for meanwhile is done now.
void Principale::finishWriteRun() {
  write_run_ = false;
  run_writing_ = false;
  read_back_limit_.stop();
  switch (std::exchange(pending_quit_, Quit::None)) {
    case Quit::Esci: quitNow(); break;  // asked for during the run: a stop, as Disconetti then is
    case Quit::Frame: close(); break;
    case Quit::None: break;
  }
}

// The device went away: the port is closed already; the technician can plug
// it back in and connect again. A running operation names the loss in its
// report; with none running, the help line does.
void Principale::onPortLost(const PortError& error) {
  setState(state_text::not_connected);
  if (!session_.busy()) help_line_->say(device_lost_text(error));
}

// As the port error path shows a failure: its number and description.
void Principale::showLoss(const PortError& error) {
  notifier_.message(QString::number(error.number) + ' ' + error.description, Notifier::Icon::None);
}

void Principale::emptyFields() {
  empty_fields(controls_);
  controls_.Text1->clear();
}

void Principale::startProgress(bool writing, int last_address) {
  progress_.start(last_address);
  run_writing_ = write_run_ && writing;
  if (write_run_ && !writing && pending_quit_ != Quit::None) limitReadBack();
}

void Principale::hideProgress() { progress_.stop(); }

void Principale::leggi_parametri(const ReadResult& read, bool writes_unconfirmed) {
  // Replies out of step may have shifted every cell after the spare byte:
  // nothing of such a read is shown or kept, not even the type and band.
  if (read.out_of_step) {
    notifier_.message(message_read_error, Notifier::Icon::Exclamation);
    help_line_->say(read_out_of_step_text());
    return;
  }
  const DecodedBlock decoded = decode_block(read.cells);
  block_.cells = decoded.block.cells;
  block_.device_type = decoded.block.device_type;
  block_.band = decoded.block.band;
  type_read_ = true;
  statusChanged();
  controls_.lab_tipo_quarn->setText(QString::fromStdString(decoded.type_label));
  if (decoded.is_new) block_.block_checksum = decoded.block.block_checksum;
  // One message, however many of the checks fail.
  if ((decoded.is_new && decoded.checksum_mismatch) || writes_unconfirmed) {
    notifier_.message(message_read_error, Notifier::Icon::Exclamation);
  }

  for (const FieldBinding& binding : field_bindings) {
    switch (decoded.update(binding.key)) {
      case FieldUpdate::Show: show_field(controls_, binding, decoded.values); break;
      case FieldUpdate::Beep: notifier_.beep(); break;
      case FieldUpdate::Keep: break;
    }
  }
  if (decoded.band_text) controls_.Text1->setText(QString::fromStdString(*decoded.band_text));
}

}  // namespace quarn
