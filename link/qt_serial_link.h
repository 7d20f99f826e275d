#pragma once
// The real serial port: QSerialPort at the transmitter's fixed line settings.

#include "link/serial_link.h"

#include <QSerialPort>

namespace quarn {

class QtSerialLink : public SerialLink {
  Q_OBJECT
 public:
  explicit QtSerialLink(QObject* parent = nullptr);

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
  void onPortError(QSerialPort::SerialPortError error);
  void closeLostPort(unsigned opening);

  QSerialPort port_;
  int number_ = first_port;
  QString device_;  // the device of the last open
  int granularity_ = 1;
  std::optional<PortError> loss_;  // reported once the port is closed
  unsigned opening_ = 0;           // counts opens: a loss belongs to one of them
  bool closing_ = false;           // a deliberate close: its errors are no loss
};

}  // namespace quarn
