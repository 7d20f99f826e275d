#pragma once
// The help line: pointing at a group of the main window, or moving the
// keyboard focus into it, writes its help text into the line; pointing at
// the bare window empties it. Each group's controls carry its help text as
// their accessible description, so that a screen reader says it too.

#include <QHash>
#include <QLineEdit>
#include <QObject>
#include <QString>

#include <utility>
#include <vector>

namespace quarn {

// Object name of a control and the help text it shows.
using HelpText = std::pair<QString, QString>;
const std::vector<HelpText>& help_texts();

class HelpLine : public QObject {
  Q_OBJECT
 public:
  // Watches `window` and those of its descendants named in help_texts()
  // (missing ones are skipped); writes into `line`. Owned by `window`.
  HelpLine(QWidget& window, QLineEdit& line);

  // Writes what the window has to tell (an operation's outcome) until the
  // pointer replaces it with a help text; a text too long for the line shows
  // its beginning.
  void say(const QString& text);
  // Empties the line if it still shows the last text said: an outcome
  // belongs to its session and its operation.
  void clearSaid();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void describeControlsOf(QWidget& group, const QString& text);

  QWidget& window_;
  QLineEdit& line_;
  QHash<const QObject*, QString> texts_;
  QHash<const QObject*, QString> focus_texts_;  // the controls of the groups, by keyboard focus
  QString said_;
};

}  // namespace quarn
