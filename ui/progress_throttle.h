#pragma once
// Shows the steps of a transfer on a progress bar 15 times a second at most,
// which still moves it on steadily. QProgressBar::setValue repaints at once,
// and a step comes every 12 to 21 ms on the 2400-baud line (far more often on
// an unpaced one), so showing every step would paint the bar 50 to 80 times a
// second, each paint a few tenths of a millisecond of drawing for a change
// the eye cannot follow.
//
// A step is shown at once when the bar has not changed for a frame (1/15 s);
// otherwise its value is held, and a later step that comes after the frame
// shows the latest value. While steps keep coming the timer never fires: it
// only shows a held value when the steps stop for two frames (a long wait for
// a reply). The last step of a sequence always shows at once, so the bar ends
// on it. Steps are reported after their command has gone out, so no paint
// ever delays a command.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QProgressBar;

namespace quarn {

class ProgressThrottle : public QObject {
  Q_OBJECT
 public:
  static constexpr int frame_ms = 67;

  explicit ProgressThrottle(QProgressBar& bar, QObject* parent = nullptr);

  // A sequence begins: the bar shows 0 of `last` and appears.
  void start(int last);
  // Step `value` of the sequence is under way.
  void step(int value);
  // The sequence is over: the bar goes back to 0 and hides; a held value is dropped.
  void stop();

 private:
  void showHeld();

  QProgressBar& bar_;
  QElapsedTimer since_shown_;
  QTimer late_;  // shows a held value when no later step does
  int held_ = 0;
};

}  // namespace quarn
