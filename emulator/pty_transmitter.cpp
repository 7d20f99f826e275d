#include "emulator/pty_transmitter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quarn {

namespace {

// How often the master is asked whether a client holds the slave open.
constexpr int client_watch_ms = 20;

QString system_error(const char* call) {
  return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(errno)));
}

// Opens the slave for a moment on the emulator's own behalf.
int open_slave(const QString& path) {
  return ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

PtyTransmitter::PtyTransmitter(EmulatedTransmitter& transmitter, QObject* parent)
    : QObject(parent), transmitter_(transmitter) {
  client_watch_.setInterval(client_watch_ms);
  connect(&client_watch_, &QTimer::timeout, this, &PtyTransmitter::watchForClient);
  connect(&transmitter_, &EmulatedTransmitter::bytesToClient, this, &PtyTransmitter::writeToClient);
  connect(&transmitter_, &EmulatedTransmitter::vanished, this, &PtyTransmitter::vanish);
}

PtyTransmitter::~PtyTransmitter() {
  closeTerminal();
  if (!link_path_.isEmpty()) ::unlink(link_path_.toLocal8Bit().constData());
}

void PtyTransmitter::closeTerminal() {
  if (master_ < 0) return;
  client_watch_.stop();
  transmitter_.clientDisconnected();
  reader_.reset();
  ::close(master_);
  master_ = -1;
}

// The client's port sees the hang-up at once; a device that comes back is
// served on a new pseudo-terminal, the link re-pointed to it.
void PtyTransmitter::vanish() {
  closeTerminal();
  if (!transmitter_.model().faults().return_after_vanish) return;
  if (const std::optional<QString> error = open()) qWarning("quarn: the device could not come back: %s", qPrintable(*error));
}

// A new link under a temporary name renamed over the old one: a client
// never finds the path missing.
std::optional<QString> PtyTransmitter::pointLink() const {
  if (link_path_.isEmpty()) return std::nullopt;
  const QByteArray link = link_path_.toLocal8Bit();
  const QByteArray temporary = link + ".new";
  ::unlink(temporary.constData());
  if (::symlink(slave_path_.toLocal8Bit().constData(), temporary.constData()) != 0) return system_error("symlink");
  if (::rename(temporary.constData(), link.constData()) != 0) return system_error("rename");
  return std::nullopt;
}

std::optional<QString> PtyTransmitter::open() {
  closeTerminal();
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return system_error("posix_openpt");
  if (::grantpt(master_) != 0) return system_error("grantpt");
  if (::unlockpt(master_) != 0) return system_error("unlockpt");
  slave_path_ = QString::fromLocal8Bit(::ptsname(master_));

  // Raw from the start: no echo, no line editing, no XON/XOFF, all 256 byte
  // values unchanged. The slave is not kept open, so that the master reports
  // a hang-up exactly while no client holds it.
  const int slave = open_slave(slave_path_);
  if (slave < 0) return system_error("open");
  termios settings{};
  ::tcgetattr(slave, &settings);
  ::cfmakeraw(&settings);
  const bool raw = ::tcsetattr(slave, TCSANOW, &settings) == 0;
  ::close(slave);
  if (!raw) return system_error("tcsetattr");
  if (const std::optional<QString> error = pointLink()) return error;

  reader_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
  reader_->setEnabled(false);
  connect(reader_.get(), &QSocketNotifier::activated, this, &PtyTransmitter::readFromClient);
  client_watch_.start();
  return std::nullopt;
}

void PtyTransmitter::watchForClient() {
  pollfd master{master_, POLLIN, 0};
  ::poll(&master, 1, 0);
  const bool hung_up = master.revents & POLLHUP;
  if (hung_up == !transmitter_.hasClient()) return;
  if (hung_up) {
    drain();
    clientLeft();
  } else {
    clientArrived();
  }
}

void PtyTransmitter::readFromClient() {
  if (!drain()) clientLeft();
}

// Hands everything the client wrote to the transmitter; false once the slave
// is closed (the master then reads EIO).
bool PtyTransmitter::drain() {
  char buffer[256];
  for (;;) {
    const ssize_t count = ::read(master_, buffer, sizeof buffer);
    if (count > 0) {
      transmitter_.receive(QByteArray(buffer, count));
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return count < 0 && errno == EAGAIN;
    }
  }
}

void PtyTransmitter::clientArrived() {
  reader_->setEnabled(true);
  transmitter_.clientConnected();
}

void PtyTransmitter::clientLeft() {
  reader_->setEnabled(false);
  // What the last client left unread would greet the next one: the slave
  // keeps its input across a close, and flushing the master does not reach it.
  const int slave = open_slave(slave_path_);
  if (slave >= 0) {
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
  }
  transmitter_.clientDisconnected();
}

void PtyTransmitter::writeToClient(const QByteArray& bytes) {
  // A client that never reads fills the pty's buffer; what does not fit is
  // lost, as a real port would overrun.
  if (master_ < 0 || !transmitter_.hasClient()) return;
  const ssize_t written = ::write(master_, bytes.constData(), size_t(bytes.size()));
  Q_UNUSED(written);
}

}  // namespace quarn
