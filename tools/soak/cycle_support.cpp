#include "tools/soak/cycle_support.h"

#include "documents/settings_file.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>

namespace quarn::soak {

bool wait_until(const std::function<bool()>& done, int limit_ms) {
  QTimer limit;
  limit.setSingleShot(true);
  limit.start(limit_ms);
  QEventLoop loop;
  while (!done() && limit.isActive()) loop.processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

void CycleLog::expect(bool holds, const QString& what) {
  if (!holds) broken_ << what;
}

void finish_or_cancel(const std::function<bool()>& ended, const std::function<void()>& way_out,
                      const SoakDevice& device, const QString& operation, CycleLog& log) {
  if (wait_until([&] { return ended() || device.hung(); }, operation_limit_ms) && ended()) return;
  if (!device.hung()) log.broke(QStringLiteral("%1 did not end within %2 ms").arg(operation).arg(operation_limit_ms));
  way_out();
  log.expect(wait_until(ended, operation_limit_ms), operation + QStringLiteral(" did not end when cancelled"));
}

BackupWatch::BackupWatch(TransmitterSession& session) : session_(session) {
  connect(&session_, &TransmitterSession::stepsStarted, this, [this](bool writing, int) {
    if (writing) writeStarting();
  });
}

void BackupWatch::startCycle(CycleLog& log) {
  log_ = &log;
  seen_.clear();
}

void BackupWatch::writeStarting() {
  const QString path = session_.lastBackupPath();
  if (path.isEmpty() || path == last_path_ || !QFile::exists(path)) {
    log_->broke(QStringLiteral("no new backup before the first write"));
    return;
  }
  last_path_ = path;
  const SettingsLoad load = load_settings_file(path);
  // A backup of a read out of step may hold shifted cells; it says so.
  const bool holds_seen = load.file && load.file->cells &&
                          (load.file->read_out_of_step || std::ranges::any_of(seen_, [&](const MemoryImage& memory) {
                            return std::equal(load.file->cells->begin(), load.file->cells->end(), memory.begin());
                          }));
  log_->expect(holds_seen, QStringLiteral("the backup %1 holds no memory the device had").arg(path));
}

}  // namespace quarn::soak
