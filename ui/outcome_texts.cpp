#include "ui/outcome_texts.h"

#include <QFileInfo>

namespace quarn {

namespace {

// The backup taken before the run, by file name: the backups folder is fixed
// and a whole path would not fit the line. `after_colon` for the run that
// stopped part-way, whose text goes on after a colon.
QString backup_text(const WriteResult& result, bool after_colon) {
  if (!result.backup_path.isEmpty()) {
    const QString name = QFileInfo(result.backup_path).fileName();
    return after_colon ? ": copia di sicurezza " + name : ". Copia di sicurezza: " + name;
  }
  if (result.backup_failure_passed) {
    return after_colon ? QStringLiteral(": nessuna copia di sicurezza, non era stato possibile salvarla")
                       : QStringLiteral(". Nessuna copia di sicurezza: non era stato possibile salvarla");
  }
  if (result.backup_skipped_unread) {
    return after_colon ? QStringLiteral(": nessuna copia di sicurezza, nulla era stato letto")
                       : QStringLiteral(". Nessuna copia di sicurezza: nulla era stato letto");
  }
  return {};
}

}  // namespace

QString write_outcome_text(const WriteResult& result, std::optional<Band> factory_band) {
  if (result.outcome.kind == OutcomeKind::BackupFailed) {
    return QStringLiteral(" Copia di sicurezza non riuscita: nulla è stato scritto");
  }
  const int cells = result.outcome.acknowledged;
  if (!result.writes_completed) {
    return QString(" Trasmettitore scritto solo in parte (%1 celle)").arg(cells) + backup_text(result, true);
  }
  QString text;
  if (factory_band) {
    text = QString(result.verified() ? " Valori di fabbrica %1 caricati e verificati"
                                     : " Valori di fabbrica %1 scritti ma non verificati")
               .arg(QString::fromUtf8(band_name(*factory_band)));
  } else {
    text = QString(result.verified() ? " Programmazione verificata: %1 celle"
                                     : " Programmazione non verificata (%1 celle scritte)")
               .arg(cells);
  }
  return text + backup_text(result, false);
}

QString read_out_of_step_text() {
  return QStringLiteral(" Lettura con risposte fuori passo: nessun campo è stato cambiato");
}

QString device_lost_text(const PortError& error) { return ' ' + error.description; }

QString quit_pending_text() { return QStringLiteral(" Chiusura al termine della scrittura in corso"); }

}  // namespace quarn
