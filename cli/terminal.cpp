#include "cli/terminal.h"

#include <QFile>
#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quarn::cli {

void out(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  std::fflush(stdout);
}

void err(const QString& text) {
  std::fputs(text.toUtf8().constData(), stderr);
  std::fflush(stderr);
}

bool standard_error_is_terminal() {
#ifdef Q_OS_WIN
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) != 0;
#endif
}

bool may_open(const QString& device) {
#ifdef Q_OS_WIN
  Q_UNUSED(device);
  return true;
#else
  return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#endif
}

}  // namespace quarn::cli
