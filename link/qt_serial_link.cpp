#include "link/qt_serial_link.h"

#include "link/port_names.h"
#include "link/port_open_failure.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <unistd.h>

namespace quarn {

namespace {
// Longest a close waits for the last written bytes to leave.
constexpr int flush_timeout_ms = 1000;
// Received bytes the port keeps before it stops reading from the device, as
// the receive queue of a classic serial control: a device flooding the line
// while no wait listens cannot grow memory without limit.
constexpr qint64 receive_queue_bytes = 1024;
}  // namespace

QtSerialLink::QtSerialLink(QObject* parent) : SerialLink(parent) {
  port_.setBaudRate(QSerialPort::Baud2400);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setReadBufferSize(receive_queue_bytes);
  connect(&port_, &QSerialPort::readyRead, this, &SerialLink::bytesArrived);
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLink::onPortError);
}

void QtSerialLink::setPortNumber(int number) { number_ = number; }

int QtSerialLink::portNumber() const { return number_; }

std::optional<PortError> QtSerialLink::open() {
  if (port_.isOpen()) return std::nullopt;
  device_ = device();
  port_.setPortName(device_);
  loss_.reset();
  // The serial layer's text does not say which device failed, and with
  // adapters found by enumeration the technician cannot guess it.
  if (!port_.open(QIODevice::ReadWrite)) return port_open_failure(port_.error(), port_.errorString(), device_);
  if (auto held = claim_opened_device(int(port_.handle()), device_)) {
    port_.close();
    return held;
  }
  ++opening_;
  return std::nullopt;
}

// A deliberate close never reports a loss, not even for an error raised
// while the last bytes are flushed.
void QtSerialLink::close() {
  if (port_.isOpen()) {
    closing_ = true;
    // QSerialPort::close() drops what is still queued, and the end letters
    // are written right before a close.
    const QDeadlineTimer deadline(flush_timeout_ms);
    while (port_.bytesToWrite() > 0 && port_.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    port_.close();
    closing_ = false;
  }
  loss_.reset();
}

bool QtSerialLink::isOpen() const { return port_.isOpen(); }

void QtSerialLink::setReadGranularity(int bytes) { granularity_ = std::max(1, bytes); }

int QtSerialLink::bytesWaiting() const {
  return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

QByteArray QtSerialLink::read() {
  return port_.isOpen() ? port_.read(granularity_) : QByteArray();
}

// A command leaves now rather than on the next pass of the event loop, and
// straight to the device: QSerialPort's own write would also watch the device
// for room until the next pass. What the device does not take at once, and a
// failing write, go through QSerialPort, which queues the rest in order and
// reports the error as ever.
void QtSerialLink::write(const QByteArray& bytes) {
  if (!port_.isOpen()) return;
  qsizetype written = 0;
  if (port_.bytesToWrite() == 0) {
    ssize_t count;
    do {
      count = ::write(port_.handle(), bytes.constData(), size_t(bytes.size()));
    } while (count < 0 && errno == EINTR);
    written = std::max<qsizetype>(count, 0);
  }
  if (written == bytes.size()) return;
  port_.write(bytes.mid(written));
  port_.flush();
}

void QtSerialLink::onPortError(QSerialPort::SerialPortError error) {
  // A device that went away shows up as a resource error or, on a hung-up
  // Unix terminal, as read errors repeated for as long as the port is open.
  if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
  if (loss_ || closing_ || !port_.isOpen()) return;
  // The serial layer describes a vanished device by the failing call
  // ("Inappropriate ioctl for device"): say what happened, and to which one.
  loss_ = PortError{error, QStringLiteral("dispositivo scollegato: ") + device_, PortFault::Lost};
  // QSerialPort still works on its buffers after emitting the error, so the
  // port is closed once control is back in the event loop, and only if it is
  // still the opening that failed.
  QMetaObject::invokeMethod(this, [this, opening = opening_] { closeLostPort(opening); }, Qt::QueuedConnection);
}

void QtSerialLink::closeLostPort(unsigned opening) {
  if (!loss_ || opening != opening_) return;  // closed or reopened meanwhile
  const PortError error = *std::exchange(loss_, std::nullopt);
  port_.close();
  emit lost(error);
}

}  // namespace quarn
