#pragma once
// SIGINT and SIGTERM end the event loop cleanly instead of killing the process.

#include <QCoreApplication>

namespace quarn {

// Holds the two signals back in this thread and every thread started later,
// even if the parent had them ignored; call it first thing in main.
void block_stop_signals();
// From now on either signal quits the application's event loop.
void quit_on_stop_signals(QCoreApplication& app);

}  // namespace quarn
