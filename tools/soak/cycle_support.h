#pragma once
// What both kinds of cycle share: waiting for an operation with a limit, the
// list of broken invariants, and the check that a backup came before the
// first write.

#include "config/factory_defaults.h"
#include "link/transmitter_session.h"
#include "tools/soak/soak_device.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace quarn::soak {

// No limit here decides an outcome: the program keeps its 4 s Timer1 (run out
// at once where the device leaves a step unanswered), the soak gives up on
// the ready "K" or on a hung device only once the device shows it will not
// answer. An operation still running operation_limit_ms after it started
// has hung; a button still disabled after it, too.
inline constexpr int operation_limit_ms = 60'000;

// Runs the event loop until `done` holds or `limit_ms` passed; true if done.
bool wait_until(const std::function<bool()>& done, int limit_ms);

class CycleLog;
// Waits for an operation to end (`ended`). One still running after
// operation_limit_ms has hung: it is reported and ended by `way_out` (a cancel,
// Disconetti). When the device has hung, the wait is expected: `way_out` is
// taken then and must end the operation all the same.
void finish_or_cancel(const std::function<bool()>& ended, const std::function<void()>& way_out,
                      const SoakDevice& device, const QString& operation, CycleLog& log);

class CycleLog {
 public:
  // Records `what` as broken unless `holds`.
  void expect(bool holds, const QString& what);
  void broke(const QString& what) { broken_ << what; }
  const QStringList& broken() const { return broken_; }

 private:
  QStringList broken_;
};

// Before each write run of `session`, a new backup must exist that holds the
// memory of one of the images the cycle marked as seen (cells 0 to 62).
class BackupWatch : public QObject {
 public:
  explicit BackupWatch(TransmitterSession& session);
  // A new cycle reports to `log`.
  void startCycle(CycleLog& log);
  // The device held `memory` at some point of this cycle before a write.
  void seen(const MemoryImage& memory) { seen_.push_back(memory); }

 private:
  void writeStarting();

  TransmitterSession& session_;
  CycleLog* log_ = nullptr;
  QString last_path_;
  std::vector<MemoryImage> seen_;
};

}  // namespace quarn::soak
