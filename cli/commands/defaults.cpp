#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "config/factory_defaults.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {

// The band's factory set, loaded and verified, after a backup.
Result<int> defaults(const Invocation& invocation) {
  const Arguments& a = invocation.arguments;
  const Band band = a.positional.front() == "uhf" ? Band::Uhf : Band::Vhf;
  const Generation generation = a.old ? Generation::Old : Generation::New;
  DeviceSession device(device_options(invocation));
  if (const Result<ReadResult> read = connect_and_read(device); !read.ok()) return read.failure();
  const MemoryImage cells = factory_default_cells(band, generation);
  const WriteResult result = device.loadFactorySet(band, generation);
  device.end(letter::end);
  if (auto failed = write_failure(result, {cells.begin(), cells.end()}, device.session().lastBackupPath())) return *failed;
  out("Valori di fabbrica caricati e verificati\n");
  return exit_code::done;
}

}  // namespace quarn::cli::command
