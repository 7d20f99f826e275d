#pragma once
// The traffic trace as the window speaks of it: a file that cannot be opened
// is said once and the program goes on without a trace; a trace that stops
// taking lines (a full disk) is said once, after the operation in which it
// happened.

#include "link/transmitter_session.h"
#include "ui/notifier.h"

#include <QString>

#include <memory>

namespace quarn {

// The trace in `path`, its header naming this program; null, after one
// message naming the path and the reason, when it cannot be opened.
std::shared_ptr<TrafficTrace> open_window_trace(const QString& path, Notifier& notifier);

// From now on a trace of `session` that fails is told through `notifier`,
// once the operation has ended and the window has shown its outcome.
void tell_trace_failures(TransmitterSession& session, Notifier& notifier);

}  // namespace quarn
