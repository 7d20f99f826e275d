#pragma once
// A Notifier for tests: counts beeps and records message boxes instead of
// showing them. The optional hooks run at the moment of a beep or a box, so a
// test can look at the window as it stands then.

#include "ui/notifier.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace quarn::test {

class RecordingNotifier : public Notifier {
 public:
  struct Message {
    QString text;
    Icon icon;
    bool operator==(const Message&) const = default;
  };

  void beep() override {
    ++beeps;
    if (on_beep) on_beep();
  }

  void message(const QString& text, Icon icon) override {
    messages.push_back({text, icon});
    if (on_message) on_message(messages.back());
  }

  // Answered by `answer` when set, else as Enter would: the default button.
  bool question(const QString& text, bool yes_by_default) override {
    questions.push_back(text);
    return answer ? answer(text) : yes_by_default;
  }

  QString chooseFileToSave(const QString& suggested_name) override {
    suggested_names.push_back(suggested_name);
    return file_to_choose;
  }
  QString chooseFileToOpen(const QString& backups_folder) override {
    offered_backups_folders.push_back(backups_folder);
    return file_to_choose;
  }

  QString file_to_choose;  // what the file dialogs answer; empty: cancelled
  QStringList suggested_names;
  QStringList offered_backups_folders;  // one per Open dialog
  int beeps = 0;
  std::vector<Message> messages;
  QStringList questions;
  std::function<bool(const QString&)> answer;
  std::function<void()> on_beep;
  std::function<void(const Message&)> on_message;
};

}  // namespace quarn::test
