#include "ui/caption_marquee.h"

#include <algorithm>
#include <limits>

namespace quarn {

namespace {

// The length is kept in a 16-bit signed count; a longer caption counts as the
// largest length it can hold.
std::int16_t sixteen_bit_length(const QString& caption) {
  return static_cast<std::int16_t>(
      std::min<qsizetype>(caption.size(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

CaptionMarquee::CaptionMarquee(QWidget& window)
    : QObject(&window), window_(window), kept_length_(sixteen_bit_length(window.windowTitle())), timer_(this) {
  timer_.setObjectName("Tmr_scritte");
  timer_.setInterval(150);
  connect(&timer_, &QTimer::timeout, this, &CaptionMarquee::tick);
  timer_.start();
}

void CaptionMarquee::tick() {
  const QString s = window_.windowTitle();
  // right() gives the whole text when asked for more than it holds, so a
  // caption shorter than the kept length grows back towards it; a kept
  // length of 0 takes no characters rather than all of them.
  const int tail = std::max(kept_length_ - 1, 0);
  window_.setWindowTitle(s.right(tail) + s.left(1));
}

}  // namespace quarn
