#include "link/port_open_failure.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quarn {

namespace {

// The serial layer reports a port that another program holds, by its lock
// file or by a terminal's exclusive mode, as a permission error worded as a
// missing permission, which sends the technician to the group settings
// instead of to the other program. When the user may read and write the
// device, permissions are not what stopped the open.
bool held_by_another_program(QSerialPort::SerialPortError error, const QString& device) {
#ifdef Q_OS_UNIX
  return error == QSerialPort::PermissionError &&
         ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) == 0;
#else
  Q_UNUSED(error);
  Q_UNUSED(device);
  return false;
#endif
}

}  // namespace

PortError port_open_failure(QSerialPort::SerialPortError error, const QString& text, const QString& device) {
  const QString what = held_by_another_program(error, device) ? QStringLiteral("porta occupata da un altro programma") : text;
  return PortError{error, what + QStringLiteral(": ") + device};
}

}  // namespace quarn
