#include "link/port_open_failure.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/file.h>
#endif

namespace quarn {

namespace {

const QString port_in_use = QStringLiteral("porta occupata da un altro programma");

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
  if (held_by_another_program(error, device)) return PortError{error, port_in_use + ": " + device, PortFault::Busy};
  const PortFault fault = error == QSerialPort::PermissionError ? PortFault::Permission : PortFault::Other;
  return PortError{error, text + QStringLiteral(": ") + device, fault};
}

std::optional<PortError> claim_opened_device(int descriptor, const QString& device) {
#ifdef Q_OS_LINUX
  int result;
  do {
    result = ::flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  // A device that takes no lock at all is left as the open found it.
  if (result != 0 && errno == EWOULDBLOCK) return PortError{QSerialPort::PermissionError, port_in_use + ": " + device, PortFault::Busy};
#else
  Q_UNUSED(descriptor);
  Q_UNUSED(device);
#endif
  return std::nullopt;
}

}  // namespace quarn
