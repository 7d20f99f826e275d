#include "link/standard_streams.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quarn {

void reopen_closed_standard_streams() {
#ifdef Q_OS_UNIX
  // In order from 0: open() takes the lowest free descriptor, the one just found closed.
  for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
#endif
}

}  // namespace quarn
