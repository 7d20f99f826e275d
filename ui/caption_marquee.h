#pragma once
// Scrolls a window's caption left by one character every 150 ms.

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace quarn {

class CaptionMarquee : public QObject {
  Q_OBJECT
 public:
  // Keeps the length of the window's caption as it is now and starts the
  // timer `Tmr_scritte`. Owned by `window`.
  explicit CaptionMarquee(QWidget& window);

  // The caption s becomes its last n-1 characters followed by its first one,
  // n being the length kept at creation.
  void tick();

 private:
  QWidget& window_;
  std::int16_t kept_length_;
  QTimer timer_;
};

}  // namespace quarn
