#pragma once
// The real serial port of this platform: QSerialPort where Qt has its serial
// module, the Win32 communications API on Windows.

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "link/win32_serial_link.h"
namespace quarn {
using SystemSerialLink = Win32SerialLink;
}
#else
#include "link/qt_serial_link.h"
namespace quarn {
using SystemSerialLink = QtSerialLink;
}
#endif
