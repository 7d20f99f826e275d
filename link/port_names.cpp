#include "link/port_names.h"

#include <QtGlobal>

namespace quarn {

QString device_name_for_port(int number) {
  const QString chosen = qEnvironmentVariable(qPrintable(QStringLiteral("QUARN_COM%1").arg(number)));
  if (!chosen.isEmpty()) return chosen;
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(number);
#else
  return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

}  // namespace quarn
