#pragma once
// Tests keep Timer1 at the program's 4 s, so that a loaded machine cannot make
// an acknowledgement late. Where the test knows that none is coming (the
// emulated device has said so with stepUnanswered, or the test plays the
// device), it ends the wait at once, as the 4 s running out would.

#include <QTimer>

namespace quarn::test {

// Timer1 fires on the next pass of the event loop; the steps after it get
// the interval it had.
inline void time_out_now(QTimer& timer1) {
  if (!timer1.isActive()) return;
  const int interval = timer1.interval();
  QObject::connect(&timer1, &QTimer::timeout, &timer1, [&timer1, interval] { timer1.setInterval(interval); },
                   Qt::SingleShotConnection);
  timer1.start(0);
}

}  // namespace quarn::test
