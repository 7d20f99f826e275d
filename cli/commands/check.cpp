#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "config/cell_map.h"

namespace quarn::cli::command {

// Without a port: the refusal, or the cells a run would write (address:
// value), for a New device unless the file says Old.
Result<int> check(const Invocation& invocation) {
  const Result<FileSettings> settings = file_settings(invocation);
  if (!settings.ok()) return settings.failure();
  ParameterBlock image = image_of_file(settings->file, settings->fields);
  image.device_type = settings->file.generation == Generation::Old ? 0 : device_type_new;
  const Result<ProgrammingRun> run = encode(image, settings->fields);
  if (!run.ok()) return run.failure();
  QString text;
  for (std::size_t a = 0; a < run->writes.size(); ++a) text += QString("%1: %2\n").arg(a, 2).arg(run->writes[a], 3);
  out(text);
  return exit_code::done;
}

}  // namespace quarn::cli::command
