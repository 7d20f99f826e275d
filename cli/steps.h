#pragma once
// The steps quarnctl's commands share: what one run was asked for, a device
// session's options, the settings file a command names with --set applied,
// the cells a programming run would write, and the judgement of a read and
// of a write run. A step that fails returns its failure; it prints none.

#include "cli/command_line.h"
#include "cli/device_session.h"
#include "cli/failure.h"
#include "config/block_encoding.h"
#include "documents/settings_file.h"

#include <memory>
#include <optional>

namespace quarn::cli {

// One run of quarnctl: its arguments, the port they chose, the trace they
// name (opened before any port) and the stop signals the device sessions arm.
struct Invocation {
  Arguments arguments;
  PortChoice port{};
  std::shared_ptr<TrafficTrace> trace{};  // null: no trace
  StopSignals* stops = nullptr;
};

// Prints what quarnctl says about `failure`; its exit status.
int say(const Failure& failure);

DeviceOptions device_options(const Invocation& invocation);

Result<SettingsFile> load_file(const QString& path);

// The settings file a command names (its first argument), with every --set
// applied. A file saved from a read out of step is said to be one.
struct FileSettings {
  SettingsFile file;
  FieldValues fields;
};
Result<FileSettings> file_settings(const Invocation& invocation);

// The image a programming run of `file` starts from: the file's cells as
// read (the factory set of its band and generation when it holds none),
// device type and band from those cells (no band when the file names none
// and holds no cells), then the options of `fields`.
ParameterBlock image_of_file(const SettingsFile& file, const FieldValues& fields);

// The image aimed at the connected unit: its own device type and band, as
// just read, so a run never changes what kind of device the unit is.
ParameterBlock image_for_device(ParameterBlock image, const MemoryRead& device);

// What the window would program on a unit of the image's generation. A
// frequency outside both transmit ranges is said and does not stop it.
Result<ProgrammingRun> encode(ParameterBlock image, const FieldValues& typed);

// Connects and reads the memory.
Result<ReadResult> connect_and_read(DeviceSession& device);

// A read that can be trusted: in step, and of a New memory, with its checksum.
bool read_is_sound(const ReadResult& read);

// Programming needs the read in step: the run takes the unit's type and band
// from it. A New checksum that disagrees is what the run rewrites (a run cut
// short leaves one), so it is said but does not stop the run; otherwise a
// unit left half written could never be programmed again.
std::optional<Failure> check_read_for_programming(const ReadResult& read);

// A write run that did not end with every cell written and verified.
std::optional<Failure> write_failure(const WriteResult& result, const std::vector<std::uint8_t>& writes,
                                     const QString& backup);

QString band_label(const std::optional<Band>& band);

}  // namespace quarn::cli
