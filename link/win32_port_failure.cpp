#include "link/win32_port_failure.h"

#include <qt_windows.h>

namespace quarn {

QString windows_error_text(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString message = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed() : QString();
  LocalFree(text);
  if (message.endsWith(u'.')) message.chop(1);
  return message.isEmpty() ? QStringLiteral("errore di sistema %1").arg(error) : message;
}

PortError win32_port_failure(unsigned long error, const QString& device) {
  // A COM port is open to every user; the system refuses it only while
  // another program holds it, and says so as a missing permission.
  const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
  const QString what = held ? QStringLiteral("porta occupata da un altro programma") : windows_error_text(error);
  return PortError{int(error), what + QStringLiteral(": ") + device, held ? PortFault::Busy : PortFault::Other};
}

}  // namespace quarn
