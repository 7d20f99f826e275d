#pragma once
// Which device stands behind "Com <n>".

#include <QString>

namespace quarn {

// The device of port n: the environment variable QUARN_COM<n> when it is set
// and not empty (QUARN_COM3=/dev/ttyUSB0), else COM<n> on Windows and
// /dev/ttyS<n-1> elsewhere.
QString device_name_for_port(int number);

}  // namespace quarn
