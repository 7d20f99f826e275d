#include "ui/notifier.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace quarn {

void ScreenNotifier::beep() { QApplication::beep(); }

void ScreenNotifier::message(const QString& text, Icon icon) {
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}

bool ScreenNotifier::question(const QString& text, bool yes_by_default) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text);
  QPushButton* yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
  box.setDefaultButton(yes_by_default ? yes : no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

namespace {
const QString settings_filter = QStringLiteral("Impostazioni Quarn (*.json);;Tutti i file (*)");
}

QString ScreenNotifier::chooseFileToSave(const QString& suggested_name) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), QStringLiteral("Salva impostazioni"),
                                      suggested_name, settings_filter);
}

// Qt's own dialog: the desktops' native ones leave out places added to the side.
QString ScreenNotifier::chooseFileToOpen(const QString& backups_folder) {
  QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Apri impostazioni"), QString(), settings_filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!backups_folder.isEmpty() && QFileInfo(backups_folder).isDir()) {
    dialog.setSidebarUrls(dialog.sidebarUrls() << QUrl::fromLocalFile(backups_folder));
  }
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace quarn
