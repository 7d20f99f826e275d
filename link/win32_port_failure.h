#pragma once
// What a failed open of a COM port tells the technician on Windows: the
// system's error number and its text in the system's language, then the
// device ("2 Impossibile trovare il file specificato: COM3"), as on Linux.

#include "link/serial_link.h"

#include <QString>

namespace quarn {

// The system's text for a Windows error, without the closing period and line
// break FormatMessage adds.
QString windows_error_text(unsigned long error);

PortError win32_port_failure(unsigned long error, const QString& device);

}  // namespace quarn
