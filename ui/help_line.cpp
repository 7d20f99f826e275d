#include "ui/help_line.h"

#include "ui/branding.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QWidget>

namespace quarn {

const std::vector<HelpText>& help_texts() {
  static const std::vector<HelpText> texts = {
      {"Frame1", " Inserire il Codice dello Quarn (Renge 1 - 4096)  Codice Mono (Range 1 - 1023)"},
      {"Frame2", " Inserire la frequenza di Tx Vhf o Uhf secondo la Banda (es. 160.9125 - 440.9125)"},
      {"Frame3", " Inserire il Tempo di preallarme Rapina espresso in sec (Range 1 - 255 sec)"},
      {"Frame4", " Inserire il Tempo di preallarme Dell'Antiatterramento espresso in sec (Range 1 - 255 sec)"},
      {"Frame5", " Inserire su quale ingresso deve inviare l'allarme Rapina e Antiatteramento"},
      {"batteria_scarica",
       " Batteria scarica se impostato 'SI' inserire su quale ingresso deve inviare l'allarme"},
      {"Frame6", " Inserire quante volte deve ripetere lo stesso pacchetto digitale"},
      {"Frame15", " Seleziona se deve Trasmettere come Mono a 2 ing o come Quarn"},
      {"tx_s_m",
       " Se impostato SING effetua una sola trasmis., se Mult effetua X Trasmis. impostate in N°di Tx Tot"},
      {"toni_h_l", " Toni H/L se impostato ALTI solo verso Talvera KX o KY ,BASSI verso Talvera KZ"},
      {"Frame17", " Tempo del Pulsante A che rimane premuto per inviare l'Allarme"},
      {"Frame11", " Stato di Connessione ,indica se la connessione e attiva o disattiva tra PC e QUARN"},
      {"Frame10", " Setup Com seleziona la porta di comunicazione seriale "},
      {"Label7", branding::title_version_line()},
      {"Image1", branding::vendor_help()},
  };
  return texts;
}

HelpLine::HelpLine(QWidget& window, QLineEdit& line) : QObject(&window), window_(window), line_(line) {
  window.setMouseTracking(true);
  window.installEventFilter(this);
  for (const auto& [name, text] : help_texts()) {
    if (QWidget* control = window.findChild<QWidget*>(name)) {
      texts_.insert(control, text);
      control->setMouseTracking(true);
      control->installEventFilter(this);
      describeControlsOf(*control, text);
    }
  }
}

// The controls of a group that take the keyboard focus: the group's text is
// their description and follows the focus into them.
void HelpLine::describeControlsOf(QWidget& group, const QString& text) {
  QList<QWidget*> controls = group.findChildren<QWidget*>();
  controls.prepend(&group);
  for (QWidget* control : controls) {
    if (control->focusPolicy() == Qt::NoFocus || focus_texts_.contains(control)) continue;
    if (control->accessibleDescription().isEmpty()) control->setAccessibleDescription(text.trimmed());
    focus_texts_.insert(control, text);
    if (control != &group) control->installEventFilter(this);
  }
}

void HelpLine::say(const QString& text) {
  said_ = text;
  line_.setText(text);
  line_.setCursorPosition(0);
}

void HelpLine::clearSaid() {
  if (!said_.isEmpty() && line_.text() == said_) line_.clear();
  said_.clear();
}

bool HelpLine::eventFilter(QObject* watched, QEvent* event) {
  // Only the keyboard moves the help: a click has pointed already, and a
  // field's filter taking the focus back is no move of the technician's.
  if (event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool by_keyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    if (by_keyboard && focus_texts_.contains(watched)) line_.setText(focus_texts_.value(watched));
    return false;
  }
  if (event->type() != QEvent::MouseMove || (watched != &window_ && !texts_.contains(watched))) return false;
  auto* widget = static_cast<QWidget*>(watched);
  // A move that a child ignored travels up to its parents; only a move over
  // the widget's own surface, with no child under the pointer, counts.
  if (widget->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) != nullptr) return false;
  line_.setText(widget == &window_ ? QString() : texts_.value(widget));
  return false;
}

}  // namespace quarn
