#include "tools/soak/service_cycle.h"

#include "tools/soak/write_checks.h"

namespace quarn::soak {

namespace {
// "outcome 3 at cell 12, 12 acknowledged, writes in step, read-back out of step, 0 mismatched"
QString describe(const WriteResult& r) {
  return QStringLiteral("outcome %1 at cell %2, %3 acknowledged, writes %4, read-back %5, %6 mismatched")
      .arg(int(r.outcome.kind))
      .arg(r.outcome.address)
      .arg(r.outcome.acknowledged)
      .arg(r.writes_out_of_step ? "out of step" : "in step", r.read_back.out_of_step ? "out of step" : "in step")
      .arg(r.mismatched.size());
}
}  // namespace

ServiceCycles::ServiceCycles(BackupStore& backups) : session_(port_), backups_(session_) {
  session_.setBackupHook(backups.hook());
}

void ServiceCycles::run(SoakDevice& device, bool fault_free, std::mt19937& random, CycleLog& log) {
  backups_.startCycle(log);
  device.timeOutUnansweredSteps(session_);
  if (connectAndRead(device, fault_free, log)) {
    std::vector<std::uint8_t> writes(std::size_t(read_count - 1));
    for (auto& value : writes) value = std::uint8_t(std::uniform_int_distribution(0, 255)(random));
    writeRun(QStringLiteral("program"), writes,
             [&](TransmitterSession::WriteDone done) { session_.program(writes, std::move(done)); }, device,
             fault_free, log);

    const Band band = random() % 2 ? Band::Uhf : Band::Vhf;
    const Generation generation = random() % 2 ? Generation::New : Generation::Old;
    const MemoryImage factory = factory_default_cells(band, generation);
    writeRun(QStringLiteral("factory set"), {factory.begin(), factory.end()},
             [&](TransmitterSession::WriteDone done) {
               session_.loadFactorySet(band, [generation] { return generation; }, {}, std::move(done));
             },
             device, fault_free, log);
  }
  const int transmissions = device.testTransmissions();
  const bool answers = device.answersToTheEnd();
  session_.endSession(letter::test_transmission);
  if (answers) {
    log.expect(wait_until([&] { return device.testTransmissions() == transmissions + 1; }, operation_limit_ms),
               QStringLiteral("TX: the device in session got no test transmission"));
  }
  log.expect(!session_.busy() && !port_.isOpen(), QStringLiteral("the service is busy or the port open after TX"));
}

bool ServiceCycles::connectAndRead(SoakDevice& device, bool fault_free, CycleLog& log) {
  backups_.seen(device.memory());
  std::optional<std::pair<Outcome, ReadResult>> read;
  bool started = false;
  bool waiting = false;
  const auto watch = QObject::connect(&session_, &TransmitterSession::sessionStarted, [&] { started = true; });
  const auto wait_watch = QObject::connect(&session_, &TransmitterSession::waitingForReady, [&] { waiting = true; });
  session_.connectAndRead([&](const Outcome& outcome, const ReadResult& result) { read = {outcome, result}; });
  // A device that never says it is ready: give up, as a front end does.
  if (!wait_until([&] { return started || read || (waiting && !device.announces()); }, operation_limit_ms) ||
      !(started || read)) {
    session_.cancel();
  }
  finish_or_cancel([&] { return read.has_value(); }, [this] { session_.cancel(); }, device, QStringLiteral("connect"), log);
  QObject::disconnect(watch);
  QObject::disconnect(wait_watch);
  if (!read) return false;

  const auto& [outcome, result] = *read;
  const bool sound = outcome.completed() && !result.out_of_step;
  if (fault_free) log.expect(sound, QStringLiteral("connect: a fault-free read is not complete and in step"));
  if (sound) log.expect(read_matches(result.cells, device.memory()), QStringLiteral("connect: an in-step read differs from the device"));
  return outcome.completed();
}

void ServiceCycles::writeRun(const QString& name, const std::vector<std::uint8_t>& writes,
                             const std::function<void(TransmitterSession::WriteDone)>& start, SoakDevice& device,
                             bool fault_free, CycleLog& log) {
  const MemoryImage before = device.memory();
  backups_.seen(before);
  const std::size_t mark = device.trafficMark();
  std::optional<WriteResult> result;
  start([&](const WriteResult& r) { result = r; });
  finish_or_cancel([&] { return result.has_value(); }, [this] { session_.cancel(); }, device, name, log);
  if (!result) return;

  const MemoryImage& after = device.memory();
  const Outcome& outcome = result->outcome;
  const bool sent_one_more = outcome.kind == OutcomeKind::NoAcknowledgement || outcome.kind == OutcomeKind::Cancelled;
  std::vector<int> read_otherwise = result->mismatched;
  read_otherwise.insert(read_otherwise.end(), result->ignored_mismatches.begin(), result->ignored_mismatches.end());
  // A read-back out of step compared shifted cells: its mismatches say
  // nothing of what the device holds.
  if (result->read_back.out_of_step) read_otherwise.clear();
  const ReportedWrites reported{outcome.acknowledged, !result->writes_completed && sent_one_more, outcome.completed(),
                                read_otherwise, result->read_back.cells};
  if (const auto wrong = memory_violation(before, writes, reported, device.faults().store_other_at, after)) {
    log.broke(name + QStringLiteral(": ") + *wrong);
  }
  if (result->verified()) {
    log.expect(device_confirmed(device.repliedSince(mark), writes, after),
               name + QStringLiteral(": reported verified, but the device did not confirm"));
  }
  if (fault_free) log.expect(result->verified(), name + QStringLiteral(": a fault-free run is not verified (") + describe(*result) + u')');
  if (outcome.completed() && !result->read_back.out_of_step) {
    log.expect(read_matches(result->read_back.cells, after), name + QStringLiteral(": an in-step read-back differs from the device"));
  }
}

}  // namespace quarn::soak
