#pragma once
// The one seam through which the program beeps and shows message boxes, so
// that tests can count beeps and answer boxes without a screen.

#include <QString>

namespace quarn {

class Notifier {
 public:
  enum class Icon { None, Exclamation };

  virtual ~Notifier() = default;
  virtual void beep() = 0;
  // A modal box with an OK button; returns when it has been closed.
  virtual void message(const QString& text, Icon icon = Icon::Exclamation) = 0;
  // A modal question with the buttons "Sì" and "No"; `yes_by_default` says
  // which one Enter presses. True for "Sì".
  virtual bool question(const QString& text, bool yes_by_default) = 0;
  // A settings file chosen in a standard file dialog; empty when cancelled.
  virtual QString chooseFileToSave(const QString& suggested_name) = 0;
  // The dialog offers `backups_folder` (when not empty) among its places.
  virtual QString chooseFileToOpen(const QString& backups_folder) = 0;
};

// The real thing: the system beep and QMessageBox titled with the program name.
class ScreenNotifier : public Notifier {
 public:
  void beep() override;
  void message(const QString& text, Icon icon) override;
  bool question(const QString& text, bool yes_by_default) override;
  QString chooseFileToSave(const QString& suggested_name) override;
  QString chooseFileToOpen(const QString& backups_folder) override;
};

}  // namespace quarn
