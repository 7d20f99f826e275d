// quarnctl: the transmitter's configuration from the command line.

#include "cli/commands.h"
#include "link/backup_store.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  // The window's names: both front ends share one backups folder.
  QCoreApplication::setOrganizationName(quarn::organization_name);
  QCoreApplication::setApplicationName(quarn::application_name);
  QCoreApplication::setApplicationVersion(QStringLiteral(QUARN_VERSION));
  return quarn::cli::run(QCoreApplication::arguments());
}
