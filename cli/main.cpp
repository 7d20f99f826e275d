// quarnctl: the transmitter's configuration from the command line.

#include "cli/run.h"
#include "documents/backup_store.h"
#include "link/standard_streams.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

int main(int argc, char* argv[]) {
  quarn::reopen_closed_standard_streams();
#ifdef Q_OS_WIN
  // quarnctl writes UTF-8: a console shows its accents as they are.
  SetConsoleOutputCP(CP_UTF8);
#endif
  QCoreApplication app(argc, argv);
  // The window's names: both front ends share one backups folder.
  QCoreApplication::setOrganizationName(quarn::organization_name);
  QCoreApplication::setApplicationName(quarn::application_name);
  QCoreApplication::setApplicationVersion(QStringLiteral(QUARN_VERSION));
  return quarn::cli::run(QCoreApplication::arguments());
}
