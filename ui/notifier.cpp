#include "ui/notifier.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace quarn {

void ScreenNotifier::beep() { QApplication::beep(); }

void ScreenNotifier::message(const QString& text, Icon icon) {
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}

namespace {
const QString settings_filter = QStringLiteral("Impostazioni Quarn (*.json);;Tutti i file (*)");
}

QString ScreenNotifier::chooseFileToSave(const QString& suggested_name) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), QStringLiteral("Salva impostazioni"),
                                      suggested_name, settings_filter);
}

QString ScreenNotifier::chooseFileToOpen() {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), QStringLiteral("Apri impostazioni"), QString(),
                                      settings_filter);
}

}  // namespace quarn
