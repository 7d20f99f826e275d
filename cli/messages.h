#pragma once
// The one place where quarnctl words a failure: each typed failure becomes
// the lines it prints on standard error and the exit status it ends with.
// What the transmitter did is said in the window's words, as the window
// shows it; what quarnctl itself refuses (its command line, a file, the
// trace, the report) starts with "quarnctl: ". System texts come in Italian.

#include "cli/failure.h"
#include "config/block_decoding.h"

#include <QString>

namespace quarn::cli {

struct Said {
  int exit = 0;
  QString text;  // lines, each ending in "\n"
};

Said said(const Failure& failure);

// The note before programming a New unit whose stored checksum disagrees
// (a run cut short leaves one): the run rewrites it.
QString checksum_rewritten_note();

}  // namespace quarn::cli
