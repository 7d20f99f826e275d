#pragma once
// Cycles through the main window, offscreen, on the real serial port class:
// Connetti, Programma with a new code, a factory set button, TX, as a
// technician clicks them. One window serves every cycle.

#include "documents/backup_store.h"
#include "link/qt_serial_link.h"
#include "tools/soak/cycle_support.h"
#include "tools/soak/soak_device.h"
#include "tests/ui/recording_notifier.h"
#include "ui/principale.h"

#include <random>

namespace quarn::soak {

class WindowCycles {
 public:
  explicit WindowCycles(BackupStore& backups);
  void run(SoakDevice& device, bool fault_free, std::mt19937& random, CycleLog& log);

 private:
  bool connect(SoakDevice& device, bool fault_free, CycleLog& log);
  // Clicks `button` once it is enabled and checks the write run it starts.
  void writeRun(QPushButton* button, SoakDevice& device, bool fault_free, CycleLog& log);

  test::RecordingNotifier notifier_;
  QtSerialLink port_;
  TransmitterSession session_;
  Principale window_;
  BackupWatch backups_;
};

}  // namespace quarn::soak
