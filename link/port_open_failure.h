#pragma once
// What a failed open of a serial port tells the technician: the serial
// layer's error number and text, then the device it tried ("2 Permission
// denied: /dev/ttyUSB0").

#include "link/serial_link.h"

#include <QSerialPort>
#include <QString>

namespace quarn {

PortError port_open_failure(QSerialPort::SerialPortError error, const QString& text, const QString& device);

// Claims the device just opened on `descriptor` for this program alone: an
// advisory lock on the device itself, whatever name it was opened by (a
// /dev/serial/by-id link and /dev/ttyUSB0 are one device). QSerialPort's
// lock file goes by the name, and root passes a terminal's exclusive mode,
// so without it a second program got in beside the first. The port error
// when another program holds the device; the lock ends when the descriptor
// is closed. Linux only; elsewhere the system refuses a second opener.
std::optional<PortError> claim_opened_device(int descriptor, const QString& device);

}  // namespace quarn
