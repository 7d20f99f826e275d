#include "link/transmitter_session.h"

#include <memory>
#include <utility>

namespace quarn {

TransmitterSession::TransmitterSession(SerialLink& port, QObject* parent)
    : QObject(parent), port_(port), traced_(port), protocol_(traced_) {
  // The loss is recorded and announced before the interrupted wait reports,
  // so the operation that ends finds the state already right.
  connect(&traced_, &SerialLink::lost, this, [this](const PortError& error) {
    last_loss_ = error;
    emit deviceLost(error);
    protocol_.abortWait();
  });
}

bool TransmitterSession::begin(SessionOperation operation) {
  if (busy_) return false;
  busy_ = true;
  operation_ = operation;
  if (TrafficTrace* trace = traced_.trace()) trace->operationStarted(operation);
  cancelled_ = false;
  last_loss_.reset();
  protocol_.takeStrayCount();
  emit busyChanged(true);
  return true;
}

// The operation is over: another may start, and the trace says how it ended.
// A write run's backup was saved before its first command; the oldest
// backups beyond those kept go only now, as deleting them (a listing of the
// folder, and on some disks a synchronous discard) would delay that command.
void TransmitterSession::finish(const Outcome& outcome) {
  busy_ = false;
  if (const auto after_run = std::exchange(after_run_, nullptr)) after_run();
  if (TrafficTrace* trace = traced_.trace()) {
    trace->operationEnded(operation_, outcome);
    if (const auto failure = trace->takeNewFailure()) emit traceFailed(*failure);
  }
  emit busyChanged(false);
}

std::optional<FileError> TransmitterSession::setTraceFile(const QString& path) {
  traced_.setTrace(nullptr);
  if (path.isEmpty()) return std::nullopt;
  auto trace = std::make_shared<TrafficTrace>();
  if (auto error = trace->open(path)) return error;
  traced_.setTrace(std::move(trace));
  return std::nullopt;
}

void TransmitterSession::cancel() {
  if (!busy_) return;
  cancelled_ = true;
  protocol_.abortWait();
}

// How a wait that did not succeed ended: the operator, the port, or the device.
Outcome TransmitterSession::failure(int acknowledged, int address) const {
  if (cancelled_) return {.kind = OutcomeKind::Cancelled, .acknowledged = acknowledged};
  if (!traced_.isOpen()) {
    return {.kind = OutcomeKind::DeviceLost, .port_error = last_loss_.value_or(PortError{}), .acknowledged = acknowledged};
  }
  return {.kind = OutcomeKind::NoAcknowledgement, .address = address, .acknowledged = acknowledged};
}

bool TransmitterSession::connectAndRead(ReadDone done) {
  if (!begin(SessionOperation::ConnectAndRead)) return false;
  // This connection may reach another transmitter than the last one (a lost
  // device, a port closed and opened again): only its own read is backed up.
  last_read_.reset();
  if (!traced_.isOpen()) {
    if (const auto error = traced_.open()) {
      const Outcome outcome{.kind = OutcomeKind::PortError, .port_error = *error};
      finish(outcome);
      done(outcome, {});
      return true;
    }
  }
  traced_.setReadGranularity(1);
  emit waitingForReady();
  protocol_.readyWait([this, done = std::move(done)](bool ready) mutable {
    const auto end = [this, done = std::move(done)](const Outcome& outcome, const ReadResult& read) {
      finish(outcome);
      done(outcome, read);
    };
    if (!ready) return end(failure(), {});
    protocol_.sendCommand(QByteArray(1, letter::begin));
    emit sessionStarted();
    read([this, end](const Outcome& outcome, const ReadResult& read) {
      remember(outcome, read);
      end(outcome, read);
    });
  });
  return true;
}

bool TransmitterSession::readMemory(ReadDone done) {
  if (!begin(SessionOperation::Read)) return false;
  read([this, done = std::move(done)](const Outcome& outcome, const ReadResult& read) {
    remember(outcome, read);
    finish(outcome);
    done(outcome, read);
  });
  return true;
}

// A complete read is what a backup saves, in step or not: a read out of
// step is saved marked as such, which is better than no backup at all.
void TransmitterSession::remember(const Outcome& outcome, const ReadResult& read) {
  if (outcome.completed()) last_read_ = read;
}

std::optional<MemoryRead> TransmitterSession::lastRead() const {
  if (!last_read_ || last_read_->out_of_step) return std::nullopt;
  return last_read_->cells;
}

void TransmitterSession::read(ReadDone done) {
  reading_ = {};
  read_done_ = std::move(done);
  emit stepsStarted(false, read_count - 1);
  readFrom(0);
}

void TransmitterSession::readFrom(int address) {
  const auto end = [this](const Outcome& outcome) {
    const ReadResult result = reading_;  // the callback may start the next read
    std::exchange(read_done_, nullptr)(outcome, result);
  };
  if (cancelled_ || !traced_.isOpen()) return end(failure());
  protocol_.readStep(std::uint8_t(address), [this, address, end](std::optional<std::uint8_t> value) {
    if (!value) return end(failure());
    reading_.cells[std::size_t(address)] = *value;
    if (address + 1 < read_count) return readFrom(address + 1);
    protocol_.guardWait(reply_guard_ms_, [this, end](bool port_open) {
      reading_.out_of_step = protocol_.takeStrayCount() > 0;
      end(port_open ? Outcome{} : failure());
    });
  });
  emit progress(address, read_count - 1);
}

void TransmitterSession::write(int last_address, std::function<std::uint8_t(int)> value_of,
                               std::function<void(const Outcome&)> done) {
  last_address_ = last_address;
  value_of_ = std::move(value_of);
  write_done_ = std::move(done);
  emit stepsStarted(true, last_address);
  writeFrom(0);
}

void TransmitterSession::writeFrom(int address) {
  const auto end = [this](const Outcome& outcome) { std::exchange(write_done_, nullptr)(outcome); };
  if (cancelled_ || !traced_.isOpen()) return end(failure(address, address));
  protocol_.writeStep(std::uint8_t(address), value_of_(address), [this, address, end](bool acknowledged) {
    if (!acknowledged) return end(failure(address, address));
    if (address < last_address_) return writeFrom(address + 1);
    // A reply too many shows here, but the read-back's comparison decides.
    protocol_.guardWait(reply_guard_ms_,
                        [this, end](bool) { end({.acknowledged = last_address_ + 1}); });
  });
  emit progress(address, last_address_);
}

// Hands the last read of this connection to the backup hook before a write
// run starts. With no read of this connection there is nothing of this unit
// to save; an earlier connection's read may be another unit's, so nothing is
// saved and the run is not held up: a factory reset must stay possible.
std::optional<FileError> TransmitterSession::backUp() {
  run_backup_path_.clear();
  run_backup_skipped_unread_ = false;
  run_backup_failure_passed_.reset();
  if (!backup_hook_) return std::nullopt;
  if (!last_read_) {
    run_backup_skipped_unread_ = true;
    if (TrafficTrace* trace = traced_.trace()) trace->backupSkippedUnread();
    return std::nullopt;
  }
  BackupResult result = backup_hook_(*last_read_);
  if (const auto* failure = std::get_if<FileError>(&result)) {
    if (!without_backup_ || !without_backup_(*failure)) return *failure;
    run_backup_failure_passed_ = *failure;
    return std::nullopt;
  }
  BackupTaken& taken = std::get<BackupTaken>(result);
  run_backup_path_ = taken.path;
  last_backup_path_ = taken.path;
  after_run_ = std::move(taken.after_run);
  return std::nullopt;
}

// The result of the write run in progress, its backup included; the
// read-back adds its findings.
WriteResult TransmitterSession::writeResult(const Outcome& outcome) const {
  WriteResult result;
  result.outcome = outcome;
  result.backup_path = run_backup_path_;
  result.backup_skipped_unread = run_backup_skipped_unread_;
  result.backup_failure_passed = run_backup_failure_passed_;
  return result;
}

bool TransmitterSession::program(std::vector<std::uint8_t> writes, WriteDone done) {
  if (writes.empty() || !begin(SessionOperation::Program)) return false;
  if (const auto error = backUp()) {  // a write that cannot first be backed up does not start
    const Outcome outcome{.kind = OutcomeKind::BackupFailed, .backup_failure = *error};
    finish(outcome);
    done(writeResult(outcome));
    return true;
  }
  const int last_address = int(writes.size()) - 1;
  auto values = std::make_shared<const std::vector<std::uint8_t>>(std::move(writes));
  write(last_address, [values](int address) { return (*values)[std::size_t(address)]; },
        [this, values, done = std::move(done)](const Outcome& outcome) {
          if (!outcome.completed()) {
            finish(outcome);
            return done(writeResult(outcome));
          }
          readBack(*values, done);
        });
  return true;
}

bool TransmitterSession::loadFactorySet(Band band, std::function<Generation()> generation,
                                        std::function<void()> before_read_back, WriteDone done) {
  if (!begin(SessionOperation::FactorySet)) return false;
  if (const auto error = backUp()) {  // a write that cannot first be backed up does not start
    const Outcome outcome{.kind = OutcomeKind::BackupFailed, .backup_failure = *error};
    finish(outcome);
    done(writeResult(outcome));
    return true;
  }
  auto written = std::make_shared<std::vector<std::uint8_t>>(std::size_t(memory_size));
  write(
      memory_size - 1,
      [band, generation = std::move(generation), written](int address) {
        const std::uint8_t value = factory_default_cells(band, generation())[std::size_t(address)];
        (*written)[std::size_t(address)] = value;
        return value;
      },
      [this, written, before_read_back = std::move(before_read_back), done = std::move(done)](const Outcome& outcome) {
        if (!outcome.completed()) {
          finish(outcome);
          return done(writeResult(outcome));
        }
        if (before_read_back) before_read_back();
        readBack(*written, done);
      });
  return true;
}

// Reads the memory after a complete write run and compares the written cells
// the read covers.
void TransmitterSession::readBack(std::vector<std::uint8_t> written, WriteDone done) {
  const bool writes_out_of_step = protocol_.takeStrayCount() > 0;
  read([this, written = std::move(written), writes_out_of_step, done = std::move(done)](const Outcome& outcome,
                                                                                        const ReadResult& read) {
    WriteResult result = writeResult(outcome);
    result.writes_completed = true;
    result.writes_out_of_step = writes_out_of_step;
    result.read_back = read;
    remember(outcome, read);
    result.outcome.acknowledged = int(written.size());
    if (outcome.completed()) compare(written, read.cells, result);
    finish(result.outcome);
    done(result);
  });
}

// A cell counts when it carries meaning for the unit's generation: the one
// the run wrote, or for a run that ends before the type mark (an Old
// programming run) the one the unit reports. A cell without meaning that
// reads back otherwise is only written to the trace.
void TransmitterSession::compare(const std::vector<std::uint8_t>& written, const MemoryRead& read,
                                 WriteResult& result) const {
  const auto mark = std::size_t(cell::device_type);
  const Generation generation = generation_of(written.size() > mark ? written[mark] : read[mark]);
  for (std::size_t address = 0; address < written.size() && address < read.size(); ++address) {
    if (written[address] == read[address]) continue;
    if (carries_meaning(int(address), generation)) {
      result.mismatched.push_back(int(address));
      continue;
    }
    result.ignored_mismatches.push_back(int(address));
    if (TrafficTrace* trace = traced_.trace()) trace->cellNotCompared(int(address), written[address], read[address]);
  }
}

void TransmitterSession::endSession(char end_letter) {
  if (traced_.isOpen()) protocol_.send(end_letter);
  if (traced_.isOpen()) traced_.close();
}

}  // namespace quarn
