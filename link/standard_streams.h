#pragma once
// A program started with its standard input, output or error closed (`<&-`)
// would hand descriptor 0, 1 or 2 to the first file or port it opens: a
// prompt's read would then read that file, a message would be written into
// it. Each program's main() calls this before it opens anything.

namespace quarn {

// Reopens each closed standard stream on /dev/null: an input that has ended,
// an output that keeps nothing. Nothing on Windows, where a closed stream
// does not lend its number to the next file.
void reopen_closed_standard_streams();

}  // namespace quarn
