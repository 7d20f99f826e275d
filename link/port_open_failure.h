#pragma once
// What a failed open of a serial port tells the technician: the serial
// layer's error number and text, then the device it tried ("2 Permission
// denied: /dev/ttyUSB0").

#include "link/serial_link.h"

#include <QSerialPort>
#include <QString>

namespace quarn {

PortError port_open_failure(QSerialPort::SerialPortError error, const QString& text, const QString& device);

}  // namespace quarn
