#pragma once
// The transfer service: the one object through which every front end (the
// window, the command line, the benchmarks) talks to a transmitter. It owns
// the command protocol, lets exactly one operation run at a time, reports
// progress, and ends every operation with one typed outcome. It knows nothing
// of widgets, files or the texts a front end shows: a backup before a write
// run is a hook the front end sets.

#include "config/factory_defaults.h"
#include "link/link_protocol.h"
#include "link/outcome.h"
#include "link/traffic_trace.h"

#include <functional>
#include <optional>
#include <vector>

namespace quarn {

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
  // Test seam: the same into a file of its own, created or emptied now; an
  // empty path ends the trace. Why, when the file cannot be written.
  std::optional<FileError> setTraceFile(const QString& path);
  // The reply time-out of every write step (Timer1, 4000 ms).
  QTimer& timer1() { return protocol_.timer1(); }
  // Test seam: a shorter Timer1.
  void setAcknowledgementTimeout(int ms) { protocol_.timer1().setInterval(ms); }
  void runTimer1Out() { protocol_.runTimer1Out(); }
  // The listening time after the last reply (reply_guard_ms); tests on a
  // line without delays shorten it.
  void setReplyGuard(int ms) { reply_guard_ms_ = ms; }
  bool busy() const { return busy_; }
  // With a hook, every programming run and factory load first hands it the
  // memory as last read in this connection (at connect or by the last
  // read-back), out of step or not; if it fails, nothing is written. With no
  // read in this connection the run goes on, unsaved. Null: no backups.
  void setBackupHook(BackupHook hook) { backup_hook_ = std::move(hook); }
  // Asked when the backup hook fails: true writes without the backup, false
  // (or no question set) writes nothing and ends the run BackupFailed.
  using WithoutBackupQuestion = std::function<bool(const FileError& why)>;
  void setWithoutBackupQuestion(WithoutBackupQuestion question) { without_backup_ = std::move(question); }
  // Where the last backup went (empty before the first).
  const QString& lastBackupPath() const { return last_backup_path_; }
  // The memory as last read in this connection, when that read was in step.
  std::optional<MemoryRead> lastRead() const;

  // Each operation returns false, and does nothing, while another one runs.

  // Opens the port if it is closed, waits without limit for the ready "K",
  // answers "U" and reads cells 0 to 62.
  bool connectAndRead(ReadDone done);
  // Test seam: reads cells 0 to 62 on the port as it is, without the ready "K".
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
  // operation during which it happened ends.
  void traceFailed(const quarn::FileError& error);

 private:
  bool begin(SessionOperation operation);
  void finish(const Outcome& outcome);
  std::optional<FileError> backUp();
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
  SessionOperation operation_ = SessionOperation::Read;  // the one running
  int reply_guard_ms_ = reply_guard_ms;
  bool cancelled_ = false;
  std::optional<PortError> last_loss_;
  BackupHook backup_hook_;
  WithoutBackupQuestion without_backup_;
  std::optional<ReadResult> last_read_;  // the last complete read in this connection
  QString last_backup_path_;
  // The backup of the write run in progress.
  QString run_backup_path_;
  std::function<void()> after_run_;  // the backup's, once the run is over
  bool run_backup_skipped_unread_ = false;
  std::optional<FileError> run_backup_failure_passed_;

  // The sequence in progress.
  ReadResult reading_;
  ReadDone read_done_;
  int last_address_ = 0;
  std::function<std::uint8_t(int)> value_of_;
  std::function<void(const Outcome&)> write_done_;
};

}  // namespace quarn
