// Programma and the factory default loaders of the main window.

#include "config/block_encoding.h"
#include "config/factory_defaults.h"
#include "ui/notifier.h"
#include "ui/principale.h"
#include "ui/refusal_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace quarn {
namespace {

FieldValues field_values(const PrincipaleControls& c) {
  const auto text = [](const QString& s) { return s.toStdString(); };
  FieldValues f;
  f.code = text(c.CodiceQuarn->text());
  f.frequency = text(c.FqTx->text());
  f.robbery_time = text(c.txb_tmp_rap->text());
  f.antifall_time = text(c.txb_amp->text());
  f.tx_count = text(c.Cmb_n_tx_tot->currentText());
  f.alarm_input = text(c.Cmb_n_ing_all->currentText());
  f.battery_input = text(c.Cmb_N_ing_bat->currentText());
  f.panic_filter = text(c.Cmb_tmr_p_all->currentText());
  f.repeater_code = text(c.cmb_Monorep->currentText());
  f.quarn_mode = c.opt_quarn->isChecked();
  f.low_tones = c.Opt_toni_bassi->isChecked();
  f.battery_alarm = c.Opt_bat_si->isChecked();
  f.multiple_tx = c.Opt_tx_mult->isChecked();
  return f;
}

}  // namespace

void Principale::onProgramma() {
  if (!session_.begin()) return;
  programming_flag_ = 1;
  timer_stato_.stop();
  // The poll is stopped, so the run itself keeps the other writers off the link.
  for (QPushButton* writer : {c_.cmd_programma, c_.Cmd_init_uhf, c_.Cmd_init_vhf}) writer->setEnabled(false);

  ProgrammingRun run = encode_block(block_, field_values(c_));
  if (run.outside_transmit_ranges) notifier_.message(transmit_range_warning_text(), Notifier::Icon::Exclamation);
  if (run.refusal) {
    // Nothing has been sent: the fields hold a value that cannot be programmed.
    notifier_.message(refusal_text(*run.refusal), Notifier::Icon::Exclamation);
    finishProgramming();
    return;
  }
  block_ = run.block;

  const int last_address = static_cast<int>(run.writes.size()) - 1;
  c_.ProgressBar1->show();
  c_.ProgressBar1->setMaximum(last_address);
  session_.writeCells(
      last_address, [writes = std::move(run.writes)](int address) { return writes[static_cast<std::size_t>(address)]; },
      [this](int address) { c_.ProgressBar1->setValue(address); },
      [this](Stop stop) {
        if (stop != Stop::Completed) {
          if (!quitting_) notifier_.message(message_time_out, Notifier::Icon::Exclamation);
          finishProgramming();
          return;
        }
        hideProgress();
        // The read-back is the only check; a failed one ends the run all the same.
        leggi_parametri([this](Stop) { finishProgramming(); });
      });
}

void Principale::finishProgramming() {
  programming_flag_ = 0;
  hideProgress();
  timer_stato_.start();
  session_.end();
}

void Principale::onFactoryDefaults(bool uhf) {
  if (!session_.begin()) return;
  const Band band = uhf ? Band::Uhf : Band::Vhf;
  c_.ProgressBar1->show();
  c_.ProgressBar1->setMaximum(memory_size - 1);
  session_.writeCells(
      memory_size - 1,
      [this, band](int address) {
        // "Old" is read at the moment each cell is written.
        const Generation generation = c_.OLd_new->isChecked() ? Generation::Old : Generation::New;
        return factory_default_cells(band, generation)[static_cast<std::size_t>(address)];
      },
      [this](int address) { c_.ProgressBar1->setValue(address); },
      [this](Stop stop) {
        if (stop != Stop::Completed) {
          if (!quitting_) notifier_.message(message_time_out, Notifier::Icon::Exclamation);
          hideProgress();
          session_.end();
          return;
        }
        hideProgress();
        emptyFields();
        leggi_parametri([this](Stop) { session_.end(); });
      });
}

}  // namespace quarn
