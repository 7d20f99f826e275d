#pragma once
// The transmitter of the end-to-end tests under Wine: quarn-emulator, the
// Linux program, which scripts/windows/with-emulator.sh serves behind a COM
// port of the test Wine prefix. The COM numbers and the path of the
// emulator's traffic log come in the environment.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace quarn::test {

// The COM port behind which the emulator answers, one leading to a path
// where nothing is, and one Wine does not map at all.
inline int emulator_com() { return qEnvironmentVariableIntValue("QUARN_WINE_EMULATOR_COM"); }
inline int nothing_com() { return qEnvironmentVariableIntValue("QUARN_WINE_NOTHING_COM"); }
inline int unmapped_com() { return qEnvironmentVariableIntValue("QUARN_WINE_UNMAPPED_COM"); }

// The bytes of the emulator's traffic log that went the way `direction`
// names ("PC -> TX" or "TX -> PC"), in order.
inline QByteArray emulator_traffic(const char* direction = "PC -> TX") {
  QFile log(qEnvironmentVariable("QUARN_WINE_EMULATOR_LOG"));
  if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) return "no emulator log";
  QByteArray bytes;
  const QString way = QLatin1String(direction) + QStringLiteral("  ");
  for (const QString& line : QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
    // "   6681.6 ms  PC -> TX  45 'E'"
    const QString text = line.section(QStringLiteral(" ms  "), 1);
    if (text.startsWith(way)) bytes.append(char(text.mid(way.size(), 2).toInt(nullptr, 16)));
  }
  return bytes;
}

}  // namespace quarn::test
