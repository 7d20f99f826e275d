#include "ui/notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace quarn {

void ScreenNotifier::beep() { QApplication::beep(); }

void ScreenNotifier::message(const QString& text, Icon icon) {
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace quarn
