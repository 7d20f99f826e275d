#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "config/factory_defaults.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {

namespace {

QString set_label(std::optional<Band> band, Generation generation) {
  return band_label(band) + ' ' + QString::fromUtf8(generation_name(generation));
}

}  // namespace

// The band's factory set, loaded and verified, after a backup. A unit read
// in step as another band or type is not given it without --force, as
// program refuses a file of another band: the set would change what kind of
// unit it is. A unit whose band cell names none (a blank memory) has no
// kind to keep.
Result<int> defaults(const Invocation& invocation) {
  const Arguments& a = invocation.arguments;
  const Band band = a.positional.front() == QString::fromUtf8(band_word(Band::Uhf)) ? Band::Uhf : Band::Vhf;
  const Generation generation = a.old ? Generation::Old : Generation::New;
  DeviceSession device(device_options(invocation));
  const Result<ReadResult> read = connect_and_read(device);
  if (!read.ok()) return read.failure();
  if (const SettingsFile unit = settings_file_of_read(read->cells);
      !read->out_of_step && !a.force && unit.band && (*unit.band != band || unit.generation != generation)) {
    return FactorySetRefused{.unit = set_label(unit.band, unit.generation), .set = set_label(band, generation)};
  }
  const MemoryImage cells = factory_default_cells(band, generation);
  const WriteResult result = device.loadFactorySet(band, generation);
  device.end(letter::end);
  if (auto failed = write_failure(result, {cells.begin(), cells.end()}, device.session().lastBackupPath())) return *failed;
  out("Valori di fabbrica caricati e verificati\n");
  return exit_code::done;
}

}  // namespace quarn::cli::command
