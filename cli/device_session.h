#pragma once
// The transfer service run to completion, one operation after another, for a
// program without a window: each call waits in a local event loop until the
// service reports its outcome. The ready wait and the read steps, which the
// service keeps up without limit, are cancelled after a time-out: the ready
// wait after --timeout, a read step's reply after the acknowledgement time.
// A stop signal (Ctrl+C, SIGTERM, SIGHUP) cancels the operation at once,
// except while cells are written: then the first one lets the run end and
// only a second one cancels it.

#include "cli/stop_signals.h"
#include "documents/backup_store.h"
#include "link/system_serial_link.h"
#include "link/transmitter_session.h"

#include <QEventLoop>
#ifdef QUARN_TEST_SEAMS
#include <QFile>
#include <QSocketNotifier>
#endif
#include <QString>
#include <QTimer>

#include <functional>

#include <memory>
#include <optional>

namespace quarn::cli {

// "Com 1 (/dev/ttyS0)": the port as the window names it, and its device.
QString port_label(int number, const QString& device);

struct DeviceOptions {
  int port_number = 1;
  QString device{};  // a device named outright; empty: the one "Com <port_number>" stands for
  int ready_timeout_s = 30;
  std::shared_ptr<TrafficTrace> trace;  // null: no trace
  bool progress = false;     // draw progress on stderr
  bool back_up = false;      // save the memory as read before each write
  StopSignals* stops = nullptr;  // armed while the session lives; null: signals end the process
};

class DeviceSession {
 public:
  explicit DeviceSession(const DeviceOptions& options);
  ~DeviceSession();

  // Connects and reads; `timed_out` tells a cancelled ready wait.
  std::pair<Outcome, ReadResult> connectAndRead(bool* timed_out);
  WriteResult program(std::vector<std::uint8_t> writes);
  WriteResult loadFactorySet(Band band, Generation generation);
  // Sends the end letter (letter::end or letter::test_transmission) and closes the port.
  void end(char letter);

  TransmitterSession& session() { return session_; }
  // The port and the device the session opens.
  QString portLabel() const { return port_label(options_.port_number, port_.device()); }

 private:
  void wait(const bool& done);
  void watchReadStep();
  void onStopSignal(int signal, int count);
  // Runs a write run (writes and read-back); a stop signal that came before
  // it starts cancels it before its first write.
  WriteResult writeRun(const std::function<void(TransmitterSession::WriteDone)>& start);
#ifdef QUARN_TEST_SEAMS
  void takeTestSeams();
  void timeOutNow();
#endif

  DeviceOptions options_;
  std::optional<BackupStore> backups_;  // the window's folder, when backing up
  SystemSerialLink port_;
  TransmitterSession session_;
  const char* step_label_ = "";
  bool line_open_ = false;  // a progress line waits for its end
  QEventLoop loop_;         // runs while an operation is under way
  QTimer reply_watch_;      // the reply to the read step just sent
  bool reading_ = false;    // the steps running are read steps
  bool reply_missing_ = false;
  bool writing_ = false;    // a write run is in progress
  QMetaObject::Connection stop_connection_;
#ifdef QUARN_TEST_SEAMS
  QFile time_out_source_;  // see takeTestSeams
  std::unique_ptr<QSocketNotifier> time_out_requests_;
#endif
};

}  // namespace quarn::cli
