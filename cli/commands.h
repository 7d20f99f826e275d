#pragma once
// The commands of quarnctl: each reads its arguments, talks to the
// transmitter through the transfer service when it needs one, prints in
// Italian like the window and returns one of the exit codes below.

#include "cli/arguments.h"

#include <QStringList>

namespace quarn::cli {

namespace exit_code {
inline constexpr int done = 0;
inline constexpr int differences = 1;    // diff only
inline constexpr int usage = 2;
inline constexpr int refused = 3;        // settings that cannot be programmed, bad file
inline constexpr int port = 4;           // port error or device lost
inline constexpr int no_acknowledgement = 5;  // no ready K within --timeout, or a write without its K
inline constexpr int verify = 6;         // read-back mismatch or read error
inline constexpr int backup = 7;
}  // namespace exit_code

// `arguments` as main() receives them, program name first.
int run(const QStringList& arguments);

}  // namespace quarn::cli
