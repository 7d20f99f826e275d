#include "ui/pick_list.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace quarn {

PickList::PickList(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // The text area fills its own background, the list's base colour that lies
  // behind it anyway: the blinking text cursor, twice a second in an idle
  // window, then repaints the text area alone rather than also the list, its
  // group and the window behind it.
  lineEdit()->setAutoFillBackground(true);
  // Inline completion would turn a typed "C" into an item's text.
  setCompleter(nullptr);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (!typed_) emit picked(index);
  });
}

// Whatever is chosen from the open list is a pick, even after typing.
void PickList::showPopup() {
  typed_ = false;
  emit popupAboutToShow();
  QComboBox::showPopup();
}

void PickList::showText(const QString& text) {
  setCurrentIndex(findText(text));
  setEditText(text);
}

void PickList::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      typed_ = false;  // stepping through the items picks them
      break;
    default:
      break;
  }
  QComboBox::keyPressEvent(event);
}

}  // namespace quarn
