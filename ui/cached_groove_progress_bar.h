#pragma once
// A progress bar that keeps the picture of its groove. The groove looks the
// same at every value, but the style draws it again at every step, and its
// antialiased outline is long enough (a few hundred spans) for the raster
// engine to split the fill over its thread pool: each step of a transfer then
// woke two pool threads and put the main thread to sleep waiting for them.
// The picture is drawn again only when the size, palette, style state or
// pixel ratio changes; the contents and label are drawn by the style as ever.
// The bar fills its own background, so that a step repaints the bar alone
// rather than also the widgets behind it, and the picture can hold it.

#include <QPixmap>
#include <QProgressBar>
#include <QStyle>

namespace quarn {

class CachedGrooveProgressBar : public QProgressBar {
 public:
  explicit CachedGrooveProgressBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct GrooveKey {
    QSize size;
    qint64 palette = 0;
    QStyle::State state;
    qreal pixel_ratio = 0;
    const QStyle* style = nullptr;
    bool operator==(const GrooveKey&) const = default;
  };

  const QPixmap& groove(const QStyleOptionProgressBar& option);

  GrooveKey groove_key_;
  QPixmap groove_;
};

}  // namespace quarn
