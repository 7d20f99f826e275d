#pragma once
// quarnctl's exit statuses.

namespace quarn::cli::exit_code {

inline constexpr int done = 0;
inline constexpr int differences = 1;         // diff only
inline constexpr int usage = 2;               // also a trace or a report not written, a batch's input ended early
inline constexpr int refused = 3;             // settings that cannot be programmed, bad file, a save onto a non-regular file
inline constexpr int port = 4;                // port error or device lost
inline constexpr int no_acknowledgement = 5;  // no ready K within --timeout, or a write without its K
inline constexpr int verify = 6;              // read-back mismatch or read error
inline constexpr int backup = 7;
// Stopped by signal N: 128 + N.
inline constexpr int signalled_base = 128;

}  // namespace quarn::cli::exit_code
