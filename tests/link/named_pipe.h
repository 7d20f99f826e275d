#pragma once
// A named pipe for the checks that a settings file which is no regular file
// is refused without being opened. Opening a pipe to read waits for a writer,
// so a loader that opens it anyway would hang the test: after `limit` the pipe
// gets a writer that closes at once, the blocked read then ends empty, and
// the test fails on the message instead of hanging. POSIX only: elsewhere
// no pipe is made.

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quarn::test {

class NamedPipe {
 public:
  explicit NamedPipe(const QString& path, std::chrono::seconds limit = std::chrono::seconds(20))
      : path_(path) {
#ifdef Q_OS_UNIX
    made_ = ::mkfifo(path.toLocal8Bit().constData(), 0600) == 0;
    if (made_) guard_ = std::thread([this, limit] { release_after(limit); });
#else
    Q_UNUSED(limit);
#endif
  }
  ~NamedPipe() {
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    woken_.notify_all();
    if (guard_.joinable()) guard_.join();
  }
  NamedPipe(const NamedPipe&) = delete;
  NamedPipe& operator=(const NamedPipe&) = delete;

  bool made() const { return made_; }
  const QString& path() const { return path_; }

 private:
  // A non-blocking open for writing succeeds only while a reader waits in
  // its open; it is tried again each second until the test ends.
  void release_after(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    if (woken_.wait_for(lock, limit, [this] { return finished_; })) return;
#ifdef Q_OS_UNIX
    do {
      const int fd = ::open(path_.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    } while (!woken_.wait_for(lock, std::chrono::seconds(1), [this] { return finished_; }));
#endif
  }

  QString path_;
  bool made_ = false;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool finished_ = false;
  std::thread guard_;
};

}  // namespace quarn::test
