#pragma once
// A disk that fills part-way through a save, without a disk: RLIMIT_FSIZE
// caps the size of the files a process writes, so that a write reaching past
// it is cut short and the next one fails with EFBIG ("File too large"), as a
// full disk cuts one short and then fails with ENOSPC. SIGXFSZ, which would
// end the process, is ignored meanwhile. It needs no privilege (a tmpfs of a
// chosen size would need mount rights). POSIX only.

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

namespace quarn::test {

// For the child of a QProcess (setChildProcessModifier): only async-signal-safe calls.
inline void limit_file_size(rlim_t bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

// The limit on this process while it lives; keep it to the writes under test.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &before_);
    handler_ = ::signal(SIGXFSZ, SIG_IGN);
    limit_file_size(bytes);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &before_);
    ::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
  void (*handler_)(int) = SIG_DFL;
};

}  // namespace quarn::test
#endif
