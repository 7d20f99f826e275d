#include "ui/field_filters.h"

#include "config/numeric_text.h"
#include "config/typed_characters.h"
#include "ui/notifier.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>
#include <utility>

namespace quarn {

namespace {

// Positions are counted from 1 in a 16-bit signed counter, so a pass examines
// at most 32767 characters and leaves any further ones alone: a position the
// counter cannot name is never selected. The fields hold a few characters, and
// QLineEdit refuses more than 32767 unless its maxLength is raised.
constexpr qsizetype last_position = std::numeric_limits<std::int16_t>::max();

bool accepted(TypedCharacters rule, QChar c) { return accepts_typed(rule, c.unicode()); }

qsizetype positions_to_examine(const QString& text) { return std::min(text.size(), last_position); }

void point_at(QLineEdit& field, qsizetype position) {
  field.setSelection(static_cast<int>(position - 1), 1);
  field.setFocus();
}

double value_of(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return numeric_value(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// The numeric value of the field's text, read afresh at every call. Taking a
// value costs a pass over the whole text, so it is taken again only when the
// text differs from the one last valued.
class FieldValue {
 public:
  explicit FieldValue(const QLineEdit& field) : field_(field), text_(field.text()), value_(value_of(text_)) {}

  double now() {
    if (const QString text = field_.text(); text != text_) {
      text_ = text;
      value_ = value_of(text_);
    }
    return value_;
  }

 private:
  const QLineEdit& field_;
  QString text_;
  double value_;
};

// True while an attached filter runs. The focus that a filter takes away from
// another widget is not the operator leaving that widget: if it ran that
// field's filter, two faulty fields would pull the focus back and forth forever.
bool filter_running = false;

void attach(QLineEdit& field, std::function<void()> filter) {
  auto run = [filter = std::move(filter)] {
    const bool outer = std::exchange(filter_running, true);
    filter();
    filter_running = outer;
  };
  QObject::connect(&field, &QLineEdit::textChanged, &field, run);
  // focusChanged comes after the field's own focus-out handling, which would
  // otherwise clear the selection the filter makes. Only a move to another
  // control of the same window is leaving the field: no new focus widget means
  // the window was deactivated, and a message box or another window of the
  // program taking the focus leaves the field its window's focus.
  QObject::connect(qApp, &QApplication::focusChanged, &field, [&field, run](QWidget* old, QWidget* now) {
    if (old == &field && now != nullptr && now->window() == field.window() && !filter_running) run();
  });
}

// The decimal key of an Italian keypad types ",": the frequency takes it as
// the point, as settings files and quarnctl do.
class DecimalCommaAsPoint : public QObject {
 public:
  explicit DecimalCommaAsPoint(QLineEdit& field) : QObject(&field), field_(field) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->text() != QLatin1String(",")) return false;
    field_.insert(QStringLiteral("."));
    return true;
  }

 private:
  QLineEdit& field_;
};

}  // namespace

void run_digit_filter(QLineEdit& field, double limit, Notifier& notifier) {
  const QString text = field.text();
  const qsizetype n = positions_to_examine(text);
  FieldValue value(field);
  for (qsizetype position = 1; position <= n; ++position) {
    if (!accepted(TypedCharacters::Digits, text[position - 1])) {
      notifier.beep();
      point_at(field, position);
    }
    if (value.now() > limit) {
      point_at(field, position);
      notifier.beep();
    }
  }
}

void run_frequency_filter(QLineEdit& field, Notifier& notifier) {
  const QString text = field.text();
  const qsizetype n = positions_to_examine(text);
  for (qsizetype position = 1; position <= n; ++position) {
    if (!accepted(TypedCharacters::DigitsAndPoint, text[position - 1])) {
      point_at(field, position);
      notifier.beep();
      return;
    }
  }
}

void attach_digit_filter(QLineEdit& field, double limit, Notifier& notifier) {
  attach(field, [&field, limit, &notifier] { run_digit_filter(field, limit, notifier); });
}

void attach_frequency_filter(QLineEdit& field, Notifier& notifier) {
  attach(field, [&field, &notifier] { run_frequency_filter(field, notifier); });
  field.installEventFilter(new DecimalCommaAsPoint(field));
}

}  // namespace quarn
