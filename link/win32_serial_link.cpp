#include "link/win32_serial_link.h"

#include "link/port_names.h"
#include "link/win32_port_failure.h"

#include <QDeadlineTimer>
#include <QWinEventNotifier>

#include <qt_windows.h>

#include <algorithm>
#include <utility>

namespace quarn {

namespace {

// Longest a close waits for the last written bytes to leave.
constexpr int flush_timeout_ms = 1000;
// The driver's queues, and the received bytes the link keeps before it stops
// reading: a device flooding the line while no wait listens cannot grow
// memory without limit.
constexpr DWORD receive_queue_bytes = 1024;
constexpr DWORD transmit_queue_bytes = 512;

// "COM3" is opened as \\.\COM3, which also reaches COM10 and above; a name
// that is already a path (\\.\COM12, or one from QUARN_COMN) is used as it is.
std::wstring device_path(const QString& device) {
  if (device.contains(u'\\') || device.contains(u'/')) return device.toStdWString();
  return (QStringLiteral("\\\\.\\") + device).toStdWString();
}

// 2400 baud, 8N1, no flow control of any kind, DTR and RTS on (an adapter
// may power the transmitter's interface from them). Reads have no time-outs:
// one ends when its bytes have come, or with the port's failure.
DWORD configure(HANDLE handle) {
  if (!SetupComm(handle, receive_queue_bytes, transmit_queue_bytes)) return GetLastError();
  DCB line{};
  line.DCBlength = sizeof line;
  if (!GetCommState(handle, &line)) return GetLastError();
  line.BaudRate = CBR_2400;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDtrControl = DTR_CONTROL_ENABLE;
  line.fDsrSensitivity = FALSE;
  line.fTXContinueOnXoff = TRUE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fRtsControl = RTS_CONTROL_ENABLE;
  line.fAbortOnError = FALSE;
  if (!SetCommState(handle, &line)) return GetLastError();
  COMMTIMEOUTS timeouts{};
  if (!SetCommTimeouts(handle, &timeouts)) return GetLastError();
  DWORD errors = 0;
  ClearCommError(handle, &errors, nullptr);
  return ERROR_SUCCESS;
}

// A manual-reset event, closed with its owner.
struct Event {
  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() { CloseHandle(handle); }
  HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

}  // namespace

// One read and one write may be under way at a time, each with its own
// event. A notifier fires while its event is set, so an event is reset
// whenever its operation's result has been taken. The notifiers go before
// the events they watch.
struct Win32SerialLink::Io {
  Io() {
    read.hEvent = read_event.handle;
    write.hEvent = write_event.handle;
  }

  HANDLE handle = INVALID_HANDLE_VALUE;
  Event read_event;
  Event write_event;
  OVERLAPPED read{};
  OVERLAPPED write{};
  char buffer[receive_queue_bytes];
  QWinEventNotifier read_done{read_event.handle};
  QWinEventNotifier write_done{write_event.handle};
};

Win32SerialLink::Win32SerialLink(QObject* parent) : SerialLink(parent), io_(std::make_unique<Io>()) {
  connect(&io_->read_done, &QWinEventNotifier::activated, this, &Win32SerialLink::onReadDone);
  connect(&io_->write_done, &QWinEventNotifier::activated, this, &Win32SerialLink::onWriteDone);
}

Win32SerialLink::~Win32SerialLink() { closeHandle(); }

void Win32SerialLink::setPortNumber(int number) { number_ = number; }

int Win32SerialLink::portNumber() const { return number_; }

std::optional<PortError> Win32SerialLink::open() {
  if (isOpen()) return std::nullopt;
  device_ = device();
  loss_.reset();
  received_.clear();
  // Not shared: a second program (or a second configurator) cannot open the
  // port while this one has it.
  const HANDLE handle = CreateFileW(device_path(device_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return win32_port_failure(GetLastError(), device_);
  // A name that leads to something other than a serial port opens, and then
  // refuses the line settings.
  if (const DWORD failed = configure(handle); failed != ERROR_SUCCESS) {
    CloseHandle(handle);
    return win32_port_failure(failed, device_);
  }
  io_->handle = handle;
  ++opening_;
  startRead();
  return std::nullopt;
}

// A deliberate close never reports a loss, not even for an error raised
// while the last bytes are sent.
void Win32SerialLink::close() {
  if (isOpen()) {
    closing_ = true;
    // The end letters are written right before a close: they leave first.
    const QDeadlineTimer deadline(flush_timeout_ms);
    finishWrites(int(deadline.remainingTime()));
    drainOutput(int(deadline.remainingTime()));
    closeHandle();
    closing_ = false;
  }
  loss_.reset();
}

bool Win32SerialLink::isOpen() const { return io_->handle != INVALID_HANDLE_VALUE; }

void Win32SerialLink::setReadGranularity(int bytes) { granularity_ = std::max(1, bytes); }

int Win32SerialLink::bytesWaiting() const { return isOpen() ? int(received_.size()) : 0; }

QByteArray Win32SerialLink::read() {
  if (!isOpen()) return {};
  QByteArray taken = received_.left(granularity_);
  received_.remove(0, taken.size());
  if (!reading_) startRead();  // a full queue had stopped reading
  return taken;
}

// The bytes are handed to the driver at once, not on the next pass of the
// event loop: a command leaves now.
void Win32SerialLink::write(const QByteArray& bytes) {
  if (!isOpen()) return;
  to_send_.append(bytes);
  startWrite();
}

// Keeps one read under way while the queue has room: of every byte the
// driver holds, or of the next one to come.
void Win32SerialLink::startRead() {
  if (!isOpen() || reading_) return;
  const qsizetype room = qsizetype(receive_queue_bytes) - received_.size();
  if (room <= 0) return;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(io_->handle, &errors, &status)) return reportLoss(GetLastError());
  const DWORD count = DWORD(std::clamp<qsizetype>(qsizetype(status.cbInQue), 1, room));
  ResetEvent(io_->read.hEvent);
  if (!ReadFile(io_->handle, io_->buffer, count, nullptr, &io_->read) && GetLastError() != ERROR_IO_PENDING) {
    return reportLoss(GetLastError());
  }
  reading_ = true;
}

void Win32SerialLink::onReadDone() {
  if (!reading_) return;  // the event of a read already taken
  DWORD got = 0;
  if (!GetOverlappedResult(io_->handle, &io_->read, &got, FALSE)) {
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return;
    reading_ = false;
    ResetEvent(io_->read.hEvent);
    return reportLoss(error);
  }
  reading_ = false;
  ResetEvent(io_->read.hEvent);
  // Without time-outs a read ends empty only when the device has gone (a
  // pseudo-terminal's far side closed, under Wine).
  if (got == 0) return reportLoss(ERROR_HANDLE_EOF);
  received_.append(io_->buffer, qsizetype(got));
  // The next read is under way before anyone reacts, so bytes keep coming
  // even while a handler shows a message box.
  startRead();
  emit bytesArrived();
}

void Win32SerialLink::startWrite() {
  if (!isOpen() || !sending_.isEmpty() || to_send_.isEmpty()) return;
  sending_ = std::exchange(to_send_, {});
  ResetEvent(io_->write.hEvent);
  if (!WriteFile(io_->handle, sending_.constData(), DWORD(sending_.size()), nullptr, &io_->write) &&
      GetLastError() != ERROR_IO_PENDING) {
    sending_.clear();
    return reportLoss(GetLastError());
  }
}

void Win32SerialLink::onWriteDone() {
  if (sending_.isEmpty()) return;  // the event of a write already taken
  DWORD sent = 0;
  if (!GetOverlappedResult(io_->handle, &io_->write, &sent, FALSE)) {
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return;
    sending_.clear();
    ResetEvent(io_->write.hEvent);
    return reportLoss(error);
  }
  ResetEvent(io_->write.hEvent);
  // Whatever the driver did not take goes first in the next write.
  to_send_.prepend(sending_.mid(qsizetype(sent)));
  sending_.clear();
  startWrite();
}

// Waits, at most `timeout_ms`, until every byte written has been handed to the driver.
void Win32SerialLink::finishWrites(int timeout_ms) {
  const QDeadlineTimer deadline(timeout_ms);
  while (!sending_.isEmpty()) {
    if (WaitForSingleObject(io_->write.hEvent, DWORD(deadline.remainingTime())) != WAIT_OBJECT_0) return;
    onWriteDone();
  }
}

// Waits, at most `timeout_ms`, until the driver has sent what it holds.
void Win32SerialLink::drainOutput(int timeout_ms) {
  if (!SetCommMask(io_->handle, EV_TXEMPTY)) return;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(io_->handle, &errors, &status) || status.cbOutQue == 0) return;
  OVERLAPPED empty{};
  empty.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD events = 0;
  if (WaitCommEvent(io_->handle, &events, &empty) || GetLastError() == ERROR_IO_PENDING) {
    if (WaitForSingleObject(empty.hEvent, DWORD(std::max(0, timeout_ms))) != WAIT_OBJECT_0) {
      CancelIoEx(io_->handle, &empty);
    }
    DWORD ignored = 0;
    GetOverlappedResult(io_->handle, &empty, &ignored, TRUE);
  }
  CloseHandle(empty.hEvent);
}

// Cancels what is under way, waits for the cancellations (the driver writes
// into the buffers until then) and closes.
void Win32SerialLink::closeHandle() {
  if (!isOpen()) return;
  CancelIoEx(io_->handle, nullptr);
  DWORD ignored = 0;
  if (reading_) GetOverlappedResult(io_->handle, &io_->read, &ignored, TRUE);
  if (!sending_.isEmpty()) GetOverlappedResult(io_->handle, &io_->write, &ignored, TRUE);
  ResetEvent(io_->read.hEvent);
  ResetEvent(io_->write.hEvent);
  reading_ = false;
  sending_.clear();
  to_send_.clear();
  CloseHandle(std::exchange(io_->handle, INVALID_HANDLE_VALUE));
}

// An unplugged adapter fails the read under way (ERROR_ACCESS_DENIED,
// ERROR_OPERATION_ABORTED, ERROR_DEVICE_NOT_CONNECTED, ... by driver).
void Win32SerialLink::reportLoss(unsigned long error) {
  if (loss_ || closing_ || !isOpen()) return;
  loss_ = PortError{int(error), QStringLiteral("dispositivo scollegato: ") + device_, PortFault::Lost};
  // Closed once control is back in the event loop, as on Linux, and only if
  // it is still the opening that failed.
  QMetaObject::invokeMethod(this, [this, opening = opening_] { closeLostPort(opening); }, Qt::QueuedConnection);
}

void Win32SerialLink::closeLostPort(unsigned opening) {
  if (!loss_ || opening != opening_) return;  // closed or reopened meanwhile
  const PortError error = *std::exchange(loss_, std::nullopt);
  closeHandle();
  emit lost(error);
}

}  // namespace quarn
