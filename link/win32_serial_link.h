#pragma once
// The real serial port on Windows: a COM port through the Win32
// communications API at the transmitter's fixed line settings. Reads and
// writes are overlapped and the event loop learns of their completion from
// QWinEventNotifier, so nothing waits in a loop and the window stays live.

#include "link/serial_link.h"

#include <memory>

namespace quarn {

class Win32SerialLink : public SerialLink {
  Q_OBJECT
 public:
  explicit Win32SerialLink(QObject* parent = nullptr);
  ~Win32SerialLink() override;

  void setPortNumber(int number) override;
  int portNumber() const override;
  std::optional<PortError> open() override;
  void close() override;
  bool isOpen() const override;
  void setReadGranularity(int bytes) override;
  int bytesWaiting() const override;
  QByteArray read() override;
  void write(const QByteArray& bytes) override;

 private:
  struct Io;  // the handle and the overlapped operations, kept out of this header's includers

  void startRead();
  void onReadDone();
  void startWrite();
  void onWriteDone();
  void finishWrites(int timeout_ms);
  void drainOutput(int timeout_ms);
  void closeHandle();
  void reportLoss(unsigned long error);
  void closeLostPort(unsigned opening);

  std::unique_ptr<Io> io_;
  int number_ = first_port;
  QString device_;       // the device of the last open
  int granularity_ = 1;
  QByteArray received_;  // arrived and not yet read
  QByteArray to_send_;   // written and not yet handed to the driver
  QByteArray sending_;   // handed to the driver, its write still running
  bool reading_ = false;
  std::optional<PortError> loss_;  // reported once the port is closed
  unsigned opening_ = 0;           // counts opens: a loss belongs to one of them
  bool closing_ = false;           // a deliberate close: its errors are no loss
};

}  // namespace quarn
