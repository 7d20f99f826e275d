#include "ui/immediate_press.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QPointer>

namespace quarn {
namespace {

constexpr const char* marker = "quarn_press_at_once";

class ImmediateButton : public QAccessibleWidget {
 public:
  explicit ImmediateButton(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) return button()->text().remove('&');
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = button()->isDown();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << pressAction();
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& name) override {
    if (name == pressAction()) {
      // The action runs inside the caller's request: a command that opens a
      // box would hold the caller until the box is closed. The click comes
      // on the next pass of the event loop instead.
      QMetaObject::invokeMethod(
          button(), [button = QPointer<QAbstractButton>(button())] {
            if (button && button->isEnabled()) button->click();
          },
          Qt::QueuedConnection);
      return;
    }
    QAccessibleWidget::doAction(name);
  }

  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return {button()->shortcut().toString()};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Asked first, before Qt's own factory: answers for the marked buttons only.
QAccessibleInterface* immediate_buttons(const QString&, QObject* object) {
  auto* button = qobject_cast<QAbstractButton*>(object);
  if (!button || !button->property(marker).toBool()) return nullptr;
  return new ImmediateButton(button);
}

}  // namespace

void press_at_once_when_accessible(QAbstractButton& button) {
  [[maybe_unused]] static const bool installed = [] {
    QAccessible::installFactory(immediate_buttons);
    return true;
  }();
  button.setProperty(marker, true);
  // Qt made the button's interface as the button was made: drop it, so
  // that the next question gets this one.
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&button)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
  }
}

}  // namespace quarn
