#pragma once
// Every QObject alive in the process, followed through Qt's object hooks
// (qtHookData, the table Qt keeps for debugging tools), so that the soak can
// count objects and the timers they hold without knowing who made them.

namespace quarn::soak {

// Starts following objects; call before the first QObject is made. false
// when this Qt has no object hooks.
bool follow_live_objects();
// QObjects alive now.
int live_object_count();
// Timers that live objects of the calling thread hold registered with its
// event dispatcher (QTimer, QObject::startTimer, Qt's internal ones).
int live_timer_count();

}  // namespace quarn::soak
