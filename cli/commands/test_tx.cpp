#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {

// Connects, then ends the session with the test transmission letter.
Result<int> test_tx(const Invocation& invocation) {
  DeviceSession device(device_options(invocation));
  if (const Result<ReadResult> read = connect_and_read(device); !read.ok()) return read.failure();
  device.end(letter::test_transmission);
  out("Trasmissione di prova inviata\n");
  return exit_code::done;
}

}  // namespace quarn::cli::command
