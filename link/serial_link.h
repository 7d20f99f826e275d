#pragma once
// The serial port as the rest of the program sees it: exactly the operations
// the command protocol needs, so that a real port and the in-process emulated
// transmitter can stand behind it alike.

#include "link/port_names.h"

#include <QByteArray>
#include <optional>
#include <QObject>
#include <QString>

namespace quarn {

// What kind of fault stopped a port, for the front ends to tell the
// technician what to do about it.
enum class PortFault {
  Other,       // the system's description says what
  Permission,  // this user may not open the device
  Busy,        // another program holds the device
  Lost,        // the device went away while open (an unplugged adapter)
};

struct PortError {
  int number = 0;       // the serial layer's error number
  QString description;  // and its description
  PortFault fault = PortFault::Other;
};

class SerialLink : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  static constexpr int first_port = 1;
  static constexpr int last_port = 8;

  // Port number 1 to 8 ("Com 1" to "Com 8"); changed only while closed.
  virtual void setPortNumber(int number) = 0;
  virtual int portNumber() const = 0;
  // A device named outright (a path on quarnctl's command line) opens
  // instead of the one "Com N" stands for; empty: by number. Changed only
  // while closed.
  virtual void setDevice(const QString& device) { named_device_ = device; }
  // The device the next open takes.
  virtual QString device() const {
    return named_device_.isEmpty() ? device_name_for_port(portNumber()) : named_device_;
  }

  // Opens the chosen port at 2400 baud, 8N1, no flow control. On failure the
  // port stays closed and the error carries the serial layer's number and text.
  virtual std::optional<PortError> open() = 0;
  // Delivers every byte written so far, then closes.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // How many bytes one read hands over at most (the session sets 1).
  virtual void setReadGranularity(int bytes) = 0;
  // Bytes received and not yet read.
  virtual int bytesWaiting() const = 0;
  // Removes and returns up to the read granularity of waiting bytes; empty
  // when none wait or the port is closed.
  virtual QByteArray read() = 0;
  // Queues bytes for sending, in order, unchanged.
  virtual void write(const QByteArray& bytes) = 0;

 signals:
  // New bytes have arrived (not repeated for bytes that were already waiting).
  void bytesArrived();
  // The device went away (USB adapter unplugged): the port is closed already.
  void lost(const quarn::PortError& error);

 private:
  QString named_device_;
};

}  // namespace quarn
