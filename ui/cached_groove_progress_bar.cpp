#include "ui/cached_groove_progress_bar.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace quarn {

CachedGrooveProgressBar::CachedGrooveProgressBar(QWidget* parent) : QProgressBar(parent) {
  setAutoFillBackground(true);
}

// The parts in the order the style's own progress bar control draws them.
void CachedGrooveProgressBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  QStyleOptionProgressBar part = option;
  part.rect = style()->subElementRect(QStyle::SE_ProgressBarGroove, &option, this);
  painter.drawPixmap(part.rect.topLeft(), groove(part));
  part.rect = style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this);
  painter.drawControl(QStyle::CE_ProgressBarContents, part);
  if (option.textVisible) {
    part.rect = style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this);
    painter.drawControl(QStyle::CE_ProgressBarLabel, part);
  }
}

// Drawn over the widget's own background, as the style draws it on the
// widget: the picture is opaque and blends the same.
const QPixmap& CachedGrooveProgressBar::groove(const QStyleOptionProgressBar& option) {
  const GrooveKey key{option.rect.size(), palette().cacheKey(), option.state, devicePixelRatio(), style()};
  if (key == groove_key_ && !groove_.isNull()) return groove_;
  groove_key_ = key;
  groove_ = QPixmap(option.rect.size() * key.pixel_ratio);
  groove_.setDevicePixelRatio(key.pixel_ratio);
  QPainter painter(&groove_);
  painter.setBrushOrigin(-option.rect.topLeft());
  painter.fillRect(QRect(QPoint(), option.rect.size()), palette().brush(backgroundRole()));
  QStyleOptionProgressBar at_origin = option;
  at_origin.rect.moveTopLeft(QPoint());
  style()->drawControl(QStyle::CE_ProgressBarGroove, &at_origin, &painter, this);
  return groove_;
}

}  // namespace quarn
