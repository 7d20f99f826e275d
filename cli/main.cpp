// quarnctl: the transmitter's configuration from the command line.

#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  // The window's name, so both keep their backups in the same folder.
  QCoreApplication::setApplicationName(QStringLiteral("Configuratore Per Quarn"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUARN_VERSION));
  return quarn::cli::run(QCoreApplication::arguments());
}
