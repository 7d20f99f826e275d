#include "ui/progress_throttle.h"

#include <QProgressBar>

namespace quarn {

ProgressThrottle::ProgressThrottle(QProgressBar& bar, QObject* parent) : QObject(parent), bar_(bar) {
  late_.setSingleShot(true);
  late_.setInterval(2 * frame_ms);
  connect(&late_, &QTimer::timeout, this, &ProgressThrottle::showHeld);
  since_shown_.start();
}

void ProgressThrottle::start(int last) {
  late_.stop();
  bar_.setMaximum(last);
  bar_.setValue(0);
  bar_.show();
  held_ = 0;
  since_shown_.start();
}

void ProgressThrottle::step(int value) {
  held_ = value;
  if (value == bar_.maximum() || since_shown_.hasExpired(frame_ms)) return showHeld();
  if (!late_.isActive()) late_.start();
}

// Hidden first: a bar on its way out is not painted at 0.
void ProgressThrottle::stop() {
  late_.stop();
  bar_.hide();
  bar_.setValue(0);
}

void ProgressThrottle::showHeld() {
  late_.stop();
  bar_.setValue(held_);
  since_shown_.start();
}

}  // namespace quarn
