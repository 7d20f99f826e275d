// Programma and the factory default loaders of the main window.

#include "config/block_encoding.h"
#include "config/factory_defaults.h"
#include "documents/operator_texts.h"
#include "ui/field_bindings.h"
#include "ui/help_line.h"
#include "ui/notifier.h"
#include "ui/outcome_texts.h"
#include "ui/principale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace quarn {

FieldValues Principale::fieldValues() const { return read_fields(controls_); }

void Principale::onProgramma() {
  if (session_.busy()) return;
  programming_flag_ = 1;
  timer_stato_.stop();
  // The status is held, so the run itself keeps the other writers off the link.
  for (QPushButton* writer : {controls_.cmd_programma, controls_.Cmd_init_uhf, controls_.Cmd_init_vhf}) {
    writer->setEnabled(false);
  }

  // Another unit's type, or none, would program the wrong layout.
  if (!type_read_) {
    notifier_.message(message_type_unread, Notifier::Icon::Exclamation);
    finishProgramming();
    return;
  }
  ProgrammingRun run = encode_block(block_, fieldValues());
  if (const auto warning = run_warning_text(run)) notifier_.message(*warning, Notifier::Icon::Exclamation);
  if (run.refusal) {
    // Nothing has been sent: the fields hold a value that cannot be programmed.
    notifier_.message(refusal_text(*run.refusal), Notifier::Icon::Exclamation);
    finishProgramming();
    return;
  }
  block_ = run.block;
  write_run_ = true;  // before the call: a run that cannot be backed up ends inside it
  const bool started = session_.program(std::move(run.writes), [this](const WriteResult& result) {
    reportWriteRun(result, std::nullopt);
    finishProgramming();
    finishWriteRun();
  });
  if (!started) write_run_ = false;
}

void Principale::finishProgramming() {
  programming_flag_ = 0;
  hideProgress();
  statusChanged();
}

void Principale::onFactoryDefaults(Band band) {
  if (session_.busy() || !factorySetMeant(band)) return;
  type_read_ = false;  // the set rewrites the type; its read-back tells it
  write_run_ = true;  // before the call: a run that cannot be backed up ends inside it
  const bool started = session_.loadFactorySet(
      band,
      // "Old" is read at the moment each cell is written.
      [this] { return controls_.OLd_new->isChecked() ? Generation::Old : Generation::New; },
      [this] {
        hideProgress();
        emptyFields();
        controls_.lab_tipo_quarn->clear();  // the type, too, is known again only from the read-back
      },
      [this, band](const WriteResult& result) {
        reportWriteRun(result, band);
        finishWriteRun();
      });
  if (!started) write_run_ = false;
}

// The "Old" box may still be ticked from the previous unit, and the other
// band's button is beside this one: a set that contradicts this connection's
// last read in step asks first, No by default. With no such read, nothing to
// contradict.
bool Principale::factorySetMeant(Band band) const {
  const std::optional<MemoryRead> read = session_.lastRead();
  if (!read) return true;
  const Generation chosen = controls_.OLd_new->isChecked() ? Generation::Old : Generation::New;
  const Generation found = generation_of((*read)[cell::device_type]);
  const std::optional<Band> found_band = band_of_byte((*read)[cell::band]);
  if (found == chosen && (!found_band || *found_band == band)) return true;
  const auto name = [](std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); };
  const QString unit = found_band ? name(band_name(*found_band)) + ' ' + name(generation_name(found)) : name(generation_name(found));
  return notifier_.question(QString("Il trasmettitore letto è %1: caricare i valori di fabbrica %2 %3?")
                                .arg(unit, name(band_name(band)), name(generation_name(chosen))),
                            false);
}

// A write step without its "K" (or a port closed under it) ends the run with
// the time-out message and nothing is read back. After a complete write run
// the read-back shows what the device holds; a read-back that could not be
// completed because the device went away is reported as a read error, as the
// only check of the writes never ran. A lost device is named first, and the
// help line then tells how the run ended.
void Principale::reportWriteRun(const WriteResult& result, std::optional<Band> factory_band) {
  hideProgress();
  const Outcome& outcome = result.outcome;
  if (outcome.kind == OutcomeKind::DeviceLost && !outcome.port_error.description.isEmpty()) showLoss(outcome.port_error);
  // A backup that failed has asked already, and No left the unit untouched:
  // the help line says so, no box repeats it.
  if (outcome.kind == OutcomeKind::BackupFailed) {
    help_line_->say(write_outcome_text(result, factory_band));
    return;
  }
  if (!result.writes_completed) {
    notifier_.message(message_time_out, Notifier::Icon::Exclamation);
  } else if (outcome.kind == OutcomeKind::Completed) {
    leggi_parametri(result.read_back, result.writes_out_of_step || !result.mismatched.empty());
  } else if (outcome.kind == OutcomeKind::DeviceLost) {
    notifier_.message(message_read_error, Notifier::Icon::Exclamation);
  }
  help_line_->say(write_outcome_text(result, factory_band));
}

}  // namespace quarn
