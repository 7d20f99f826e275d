#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {

// Settings that would be refused are refused before the port opens; then the
// connected unit's own type and band decide the cells written.
Result<int> program(const Invocation& invocation) {
  const Result<FileSettings> settings = file_settings(invocation);
  if (!settings.ok()) return settings.failure();
  const ParameterBlock image = image_of_file(settings->file, settings->fields);
  if (const Result<ProgrammingRun> offline = encode(image, settings->fields); !offline.ok()) return offline.failure();

  DeviceSession device(device_options(invocation));
  const Result<ReadResult> read = connect_and_read(device);
  if (!read.ok()) return read.failure();
  if (auto refused = check_read_for_programming(read.value())) return *refused;
  const Result<ProgrammingRun> run = encode(image_for_device(image, read->cells), settings->fields);
  if (!run.ok()) return run.failure();
  const WriteResult result = device.program(run->writes);
  device.end(letter::end);
  if (auto failed = write_failure(result, run->writes, device.session().lastBackupPath())) return *failed;
  out(QString("Programmazione verificata: %1 celle\n").arg(run->writes.size()));
  return exit_code::done;
}

}  // namespace quarn::cli::command
