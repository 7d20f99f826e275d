#pragma once
// Stops the text cursor's blinking when nobody has typed or clicked for a
// while, as desktop toolkits do: a blinking cursor wakes an idle program
// twice a second, all day on a technician's laptop. The cursor stays shown,
// only steady; the next key or click makes it blink again at the platform's
// pace. A platform set not to blink is left as it is.

#include <QObject>
#include <QTimer>

namespace quarn {

class CursorBlinkTimeout : public QObject {
  Q_OBJECT
 public:
  static constexpr int default_timeout_ms = 10'000;

  // Watches every key and click of the application from now on.
  explicit CursorBlinkTimeout(QObject* parent = nullptr, int timeout_ms = default_timeout_ms);
  // Leaves the application blinking as the platform set it.
  ~CursorBlinkTimeout() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void stopBlinking();

  const int platform_flash_ms_;  // a whole blink, as the platform sets it
  QTimer idle_;
  bool stopped_ = false;
};

}  // namespace quarn
