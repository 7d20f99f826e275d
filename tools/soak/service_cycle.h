#pragma once
// Cycles through the transfer service alone, on the real serial port class:
// connect and read, program, a factory set, the test transmission. One port
// and one service serve every cycle, as in a long working day.

#include "documents/backup_store.h"
#include "link/qt_serial_link.h"
#include "link/transmitter_session.h"
#include "tools/soak/cycle_support.h"
#include "tools/soak/soak_device.h"

#include <random>

namespace quarn::soak {

class ServiceCycles {
 public:
  explicit ServiceCycles(BackupStore& backups);
  void run(SoakDevice& device, bool fault_free, std::mt19937& random, CycleLog& log);

 private:
  bool connectAndRead(SoakDevice& device, bool fault_free, CycleLog& log);
  // Runs `start` (which calls the service with the callback it is given) and
  // checks the write run it reports against the device.
  void writeRun(const QString& name, const std::vector<std::uint8_t>& writes,
                const std::function<void(TransmitterSession::WriteDone)>& start, SoakDevice& device, bool fault_free,
                CycleLog& log);

  QtSerialLink port_;
  TransmitterSession session_;
  BackupWatch backups_;
};

}  // namespace quarn::soak
