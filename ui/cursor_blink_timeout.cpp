#include "ui/cursor_blink_timeout.h"

#include <QApplication>
#include <QEvent>

namespace quarn {

CursorBlinkTimeout::CursorBlinkTimeout(QObject* parent, int timeout_ms)
    : QObject(parent), platform_flash_ms_(QApplication::cursorFlashTime()) {
  if (platform_flash_ms_ <= 0) return;
  idle_.setSingleShot(true);
  idle_.setInterval(timeout_ms);
  connect(&idle_, &QTimer::timeout, this, &CursorBlinkTimeout::stopBlinking);
  idle_.start();
  qApp->installEventFilter(this);
}

CursorBlinkTimeout::~CursorBlinkTimeout() {
  if (stopped_) QApplication::setCursorFlashTime(platform_flash_ms_);
}

// Restarting the timer on every key costs no wake-up: it only moves its deadline.
bool CursorBlinkTimeout::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
      idle_.start();
      if (stopped_) {
        stopped_ = false;
        QApplication::setCursorFlashTime(platform_flash_ms_);
      }
      break;
    default:
      break;
  }
  return false;
}

void CursorBlinkTimeout::stopBlinking() {
  stopped_ = true;
  QApplication::setCursorFlashTime(0);
}

}  // namespace quarn
