#pragma once
// The transfer service: the one object through which every front end (the
// window, the command line, the benchmarks) talks to a transmitter. It owns
// the command protocol, lets exactly one operation run at a time, reports
// progress, and ends every operation with one typed outcome. It knows nothing
// of widgets or of the texts a front end shows.

#include "config/block_decoding.h"
#include "config/factory_defaults.h"
#include "link/backup_store.h"
#include "link/link_protocol.h"
#include "link/traffic_trace.h"

#include <functional>
#include <optional>
#include <vector>

namespace quarn {

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
  QString reason;          // BackupFailed: why

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

  // The read-back confirms every written cell.
  bool verified() const {
    return outcome.completed() && !writes_out_of_step && !read_back.out_of_step && mismatched.empty();
  }
};

class TransmitterSession : public QObject {
  Q_OBJECT
 public:
  // Listening time after the last reply of a sequence. A spare byte follows
  // its reply one byte time (4.2 ms) later on the line; a USB adapter holds
  // received bytes for up to its latency timer (16 ms by default) before
  // passing them on. 30 ms covers both with room for scheduling.
  static constexpr int reply_guard_ms = 30;

  using ReadDone = std::function<void(const Outcome&, const ReadResult&)>;
  using WriteDone = std::function<void(const WriteResult&)>;

  explicit TransmitterSession(SerialLink& port, QObject* parent = nullptr);

  SerialLink& port() { return port_; }
  // Writes the traffic, the port's events and the operations to a trace
  // from now on; null: no trace. Changes nothing else.
  void setTrace(std::shared_ptr<TrafficTrace> trace) { traced_.setTrace(std::move(trace)); }
  // The same into a file of its own, created or emptied now; an empty path
  // ends the trace. The reason, in words, when the file cannot be written.
  std::optional<QString> setTraceFile(const QString& path);
  // The reply time-out of every write step (Timer1, 4000 ms).
  QTimer& timer1() { return protocol_.timer1(); }
  void setAcknowledgementTimeout(int ms) { protocol_.timer1().setInterval(ms); }
  void runTimer1Out() { protocol_.runTimer1Out(); }
  // The listening time after the last reply (reply_guard_ms); tests on a
  // line without delays shorten it.
  void setReplyGuard(int ms) { reply_guard_ms_ = ms; }
  bool busy() const { return busy_; }
  // With a store, every programming run and factory load first saves the
  // memory as last read in this connection (at connect or by the last
  // read-back), a read out of step marked as such; if that fails, nothing is
  // written. With no read in this connection the run goes on, unsaved.
  void setBackupStore(BackupStore* store) { backups_ = store; }
  const BackupStore* backupStore() const { return backups_; }
  // Where the last backup went (empty before the first).
  const QString& lastBackupPath() const { return last_backup_path_; }
  // The memory as last read in this connection, when that read was in step.
  std::optional<MemoryRead> lastRead() const;

  // Each operation returns false, and does nothing, while another one runs.

  // Opens the port if it is closed, waits without limit for the ready "K",
  // answers "U" and reads cells 0 to 62.
  bool connectAndRead(ReadDone done);
  bool readMemory(ReadDone done);
  // Writes `writes[a]` to each address a, each acknowledged, then reads the
  // memory back and compares the written cells that carry meaning (carries_meaning).
  bool program(std::vector<std::uint8_t> writes, WriteDone done);
  // Writes the 64 cells of the band's factory set, the generation asked for
  // at the moment each cell is written; `before_read_back` runs between the
  // last acknowledgement and the read-back.
  bool loadFactorySet(Band band, std::function<Generation()> generation, std::function<void()> before_read_back,
                      WriteDone done);

  // Sends the end letter ("E", or "Q" for a test transmission) and closes the
  // port, each only if it is open. Not an operation: it never waits.
  void endSession(char end_letter);
  // Ends the running operation's wait at once; it reports Cancelled.
  void cancel();

 signals:
  // An operation has started (true) or ended (false); emitted before an
  // ending operation's own callback runs.
  void busyChanged(bool busy);
  void waitingForReady();  // the port is open, the ready wait runs
  void sessionStarted();   // "U" has answered the ready "K"
  // A sequence of steps begins: reading (last address 62) or writing.
  void stepsStarted(bool writing, int last_address);
  // Sent after the step's command has gone out.
  void progress(int address, int last_address);
  // The device went away; the port is closed already.
  void deviceLost(const quarn::PortError& error);
  // The trace stopped taking lines (a full disk): said once, as the
  // operation during which it happened ends; the reason names the file.
  void traceFailed(const QString& reason);

 private:
  bool begin(const char* name);
  void finish(const Outcome& outcome);
  std::optional<QString> backUp();
  WriteResult writeResult(const Outcome& outcome) const;
  void remember(const Outcome& outcome, const ReadResult& read);
  void compare(const std::vector<std::uint8_t>& written, const MemoryRead& read, WriteResult& result) const;
  Outcome failure(int acknowledged = 0, int address = -1) const;
  void read(ReadDone done);
  void readFrom(int address);
  void write(int last_address, std::function<std::uint8_t(int)> value_of, std::function<void(const Outcome&)> done);
  void writeFrom(int address);
  void readBack(std::vector<std::uint8_t> written, WriteDone done);

  SerialLink& port_;
  TracedLink traced_;  // every byte goes through here, both ways
  LinkProtocol protocol_;
  bool busy_ = false;
  const char* operation_ = "";  // its name in the trace
  int reply_guard_ms_ = reply_guard_ms;
  bool cancelled_ = false;
  std::optional<PortError> last_loss_;
  BackupStore* backups_ = nullptr;
  std::optional<ReadResult> last_read_;  // the last complete read in this connection
  QString last_backup_path_;
  // The backup of the write run in progress.
  QString run_backup_path_;
  bool retire_backups_ = false;  // once the run is over
  bool run_backup_skipped_unread_ = false;

  // The sequence in progress.
  ReadResult reading_;
  ReadDone read_done_;
  int last_address_ = 0;
  std::function<std::uint8_t(int)> value_of_;
  std::function<void(const Outcome&)> write_done_;
};

}  // namespace quarn
