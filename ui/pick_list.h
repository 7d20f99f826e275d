#pragma once
// An editable drop-down list that tells a pick from typing. QComboBox reports
// `activated` for a pick from the open list, for the arrow keys, and also for
// typed text that happens to match an item when the operator presses Enter or
// leaves the list. Only the first two are picks.

#include <QComboBox>

namespace quarn {

class PickList : public QComboBox {
  Q_OBJECT
 public:
  explicit PickList(QWidget* parent = nullptr);

  void showPopup() override;
  // Shows `text`, selecting the item of that text when there is one; a
  // number that is not among the items is shown all the same.
  void showText(const QString& text);

 signals:
  // The operator chose the item at `index` from the list.
  void picked(int index);
  // The list is about to open: its items' tooltips can be brought up to date.
  void popupAboutToShow();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool typed_ = false;  // the text was typed since the last pick
};

}  // namespace quarn
