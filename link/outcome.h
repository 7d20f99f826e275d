#pragma once
// How the session's operations end, typed: what happened, the cells read or
// written, and why a run stopped. Front ends choose their words from these.

#include "config/block_decoding.h"
#include "link/file_error.h"
#include "link/serial_link.h"

#include <QString>

#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace quarn {

// The session's operations, for the trace and the front ends' reports.
enum class SessionOperation { ConnectAndRead, Read, Program, FactorySet };

enum class OutcomeKind {
  Completed,
  Cancelled,          // cancel() ended it (Disconetti, TX, ESCI, a front end giving up)
  PortError,          // the port could not be opened: the serial layer's number and text
  DeviceLost,         // the port went away or was closed under the operation
  NoAcknowledgement,  // a write step got no "K" within Timer1
  BackupFailed,       // the memory could not be saved before writing: nothing was sent
};

struct Outcome {
  OutcomeKind kind = OutcomeKind::Completed;
  PortError port_error{};  // PortError and DeviceLost
  int address = -1;        // NoAcknowledgement: the step left without its "K"
  int acknowledged = 0;    // write steps acknowledged, cells 0 up to this count - 1
  FileError backup_failure{};  // BackupFailed: why

  bool completed() const { return kind == OutcomeKind::Completed; }
};

struct ReadResult {
  MemoryRead cells{};
  // A byte came that no command asked for (before a command or after the last
  // reply): the replies were out of step and the cells may be shifted.
  bool out_of_step = false;
};

// Programming or loading a factory set: the writes, then the read-back.
struct WriteResult {
  Outcome outcome;
  bool writes_completed = false;  // every cell acknowledged; the read-back ran
  // A byte no command asked for came while writing (a doubled "K", an echo):
  // the device said more than it was asked, so the run is not confirmed
  // even when the read-back agrees.
  bool writes_out_of_step = false;
  ReadResult read_back;           // valid when the outcome is completed
  std::vector<int> mismatched;    // written cells with meaning that read back otherwise
  // Written cells that mean nothing to the unit (the filler) and read back
  // otherwise: written to the trace, no failure.
  std::vector<int> ignored_mismatches;
  // The backup saved before the first write; empty when none was saved.
  QString backup_path;
  // Nothing had been read in this connection, so the run went on without a
  // backup rather than save another unit's memory or hold up the write.
  bool backup_skipped_unread = false;
  // The backup could not be saved and the front end chose to write without
  // it: why it failed.
  std::optional<FileError> backup_failure_passed;

  // The read-back confirms every written cell.
  bool verified() const {
    return outcome.completed() && !writes_out_of_step && !read_back.out_of_step && mismatched.empty();
  }
};

// A backup taken before a write run: where it went, and what to do once the
// run is over (retiring old backups, which must not delay the first write).
struct BackupTaken {
  QString path{};
  std::function<void()> after_run{};
};
using BackupResult = std::variant<BackupTaken, FileError>;
// Saves the memory as last read (cells and whether the read was in step)
// before a write run's first write. Front ends wire it to their documents.
using BackupHook = std::function<BackupResult(const ReadResult& read)>;

}  // namespace quarn
