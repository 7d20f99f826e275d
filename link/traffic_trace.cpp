#include "link/traffic_trace.h"

#include "link/file_saving.h"
#include "link/port_names.h"

#include <QCoreApplication>
#include <QDateTime>

#include <utility>

namespace quarn {

QString format_traffic_line(double ms, TrafficDirection direction, std::uint8_t byte) {
  const QString way =
      direction == TrafficDirection::ToTransmitter ? QStringLiteral("PC -> TX") : QStringLiteral("TX -> PC");
  QString line = QStringLiteral("%1 ms  %2  %3")
                     .arg(ms, 9, 'f', 1)
                     .arg(way)
                     .arg(QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
  const bool printable = byte >= 0x20 && byte < 0x7F;
  if (printable) line += QStringLiteral(" '%1'").arg(QLatin1Char(char(byte)));
  return line;
}

QString format_trace_note(double ms, const QString& text) {
  return QStringLiteral("%1 ms  -- %2").arg(ms, 9, 'f', 1).arg(text);
}

namespace {

FileError unwritable(const QString& path, const QString& reason) {
  return {.fault = FileFault::TraceNotWritten, .path = path, .reason = reason};
}

QString operation_name(SessionOperation operation) {
  switch (operation) {
    case SessionOperation::ConnectAndRead: return QStringLiteral("connessione e lettura");
    case SessionOperation::Read: return QStringLiteral("lettura");
    case SessionOperation::Program: return QStringLiteral("programmazione");
    case SessionOperation::FactorySet: return QStringLiteral("valori di fabbrica");
  }
  return {};
}

QString outcome_words(const Outcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Completed: return QStringLiteral("completata");
    case OutcomeKind::Cancelled: return QStringLiteral("annullata");
    case OutcomeKind::PortError: return QStringLiteral("errore della porta");
    case OutcomeKind::DeviceLost: return QStringLiteral("dispositivo perso");
    case OutcomeKind::NoAcknowledgement:
      return QStringLiteral("nessuna conferma alla cella %1 (TIME OUT)").arg(outcome.address);
    case OutcomeKind::BackupFailed: {
      const FileError& error = outcome.backup_failure;
      return QStringLiteral("backup non riuscito: ") + error.path + (error.reason.isEmpty() ? QString() : ": " + error.reason);
    }
  }
  return {};
}

// The local time with its offset from UTC, to the millisecond.
QString local_time_text() {
  QDateTime now = QDateTime::currentDateTime();
  now.setOffsetFromUtc(now.offsetFromUtc());
  return now.toString(Qt::ISODateWithMs);
}

}  // namespace

std::optional<FileError> TrafficTrace::open(const QString& path, const TraceHeader& header) {
  file_.close();
  clock_.invalidate();
  failure_.reset();
  failure_taken_ = false;
  file_.setFileName(path);
  if (!may_save_at(path)) return FileError{.fault = FileFault::NotRegularTarget, .path = path};
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text | QIODevice::Unbuffered)) {
    return unwritable(path, file_.errorString());
  }
  const QString program = header.program.isEmpty() ? QCoreApplication::applicationName() : header.program;
  const QString version = header.version.isEmpty() ? QCoreApplication::applicationVersion() : header.version;
  line(QStringLiteral("# %1 %2").arg(program, version));
  line(QStringLiteral("# iniziata: ") + local_time_text());
  line(QStringLiteral("# porta: ") +
       (header.port.isEmpty() ? QStringLiteral("scelta a ogni connessione (vedi \"porta aperta\")") : header.port));
  // As QtSerialLink::open sets the port.
  line(QStringLiteral("# linea: 2400 baud, 8 bit di dati, nessuna parità, 1 bit di stop, nessun controllo di flusso"));
  line(QStringLiteral("# tempi: millisecondi dalla prima apertura della porta, su un orologio monotono"));
  return std::nullopt;
}

double TrafficTrace::now() const { return clock_.isValid() ? double(clock_.nsecsElapsed()) / 1e6 : 0.0; }

// Each line reaches the file before the next (the file is unbuffered): a
// crash loses at most the one being written.
void TrafficTrace::line(const QString& text) {
  if (!file_.isOpen() || failure_) return;
  if (auto reason = write_whole(file_, (text + u'\n').toUtf8())) failure_ = unwritable(file_.fileName(), *reason);
}

std::optional<FileError> TrafficTrace::takeNewFailure() {
  if (!failure_ || std::exchange(failure_taken_, true)) return std::nullopt;
  return failure_;
}

// The first opening is the trace's time 0, its own line included.
void TrafficTrace::portOpened(const QString& what) {
  const bool first = !clock_.isValid();
  const double ms = first ? 0.0 : now();
  if (first) clock_.start();
  line(format_trace_note(ms, QStringLiteral("porta aperta: %1 alle %2").arg(what, local_time_text())));
}

void TrafficTrace::bytes(TrafficDirection direction, const QByteArray& bytes) {
  const double ms = now();
  for (const char byte : bytes) line(format_traffic_line(ms, direction, std::uint8_t(byte)));
}

void TrafficTrace::note(const QString& text) { line(format_trace_note(now(), text)); }

void TrafficTrace::operationStarted(SessionOperation operation) { note(QStringLiteral("inizio: ") + operation_name(operation)); }

void TrafficTrace::operationEnded(SessionOperation operation, const Outcome& outcome) {
  note(QStringLiteral("fine: %1: %2").arg(operation_name(operation), outcome_words(outcome)));
}

void TrafficTrace::backupSkippedUnread() { note(QStringLiteral("nessuna copia di sicurezza: nulla letto")); }

void TrafficTrace::cellNotCompared(int address, int written, int read) {
  note(QStringLiteral("cella %1 scritta %2, riletta %3: senza significato, non confrontata")
           .arg(address)
           .arg(written)
           .arg(read));
}

TracedLink::TracedLink(SerialLink& inner, QObject* parent) : SerialLink(parent), inner_(inner) {
  connect(&inner_, &SerialLink::bytesArrived, this, &SerialLink::bytesArrived);
  connect(&inner_, &SerialLink::lost, this, [this](const PortError& error) {
    if (trace_) trace_->note(QStringLiteral("dispositivo perso: %1 %2").arg(error.number).arg(error.description));
    emit lost(error);
  });
}

QString TracedLink::portText() const {
  return QStringLiteral("Com %1 (%2)").arg(inner_.portNumber()).arg(inner_.device());
}

std::optional<PortError> TracedLink::open() {
  const bool was_open = inner_.isOpen();
  std::optional<PortError> error = inner_.open();
  if (trace_ && !was_open) {
    if (error) {
      trace_->note(QStringLiteral("errore della porta (Com %1): %2 %3")
                       .arg(inner_.portNumber())
                       .arg(error->number)
                       .arg(error->description));
    } else {
      trace_->portOpened(portText());
    }
  }
  return error;
}

void TracedLink::close() {
  const bool was_open = inner_.isOpen();
  inner_.close();
  if (trace_ && was_open) trace_->note(QStringLiteral("porta chiusa"));
}

// A port opened before the trace began starts its clock with its first traffic.
void TracedLink::noteOpenedBefore() {
  if (!trace_->clockStarted()) trace_->portOpened(portText() + QStringLiteral(", già prima della traccia"));
}

QByteArray TracedLink::read() {
  QByteArray bytes = inner_.read();
  if (trace_ && !bytes.isEmpty()) {
    noteOpenedBefore();
    trace_->bytes(TrafficDirection::ToClient, bytes);
  }
  return bytes;
}

void TracedLink::write(const QByteArray& bytes) {
  // A closed port sends nothing, so nothing is traced.
  if (trace_ && inner_.isOpen()) {
    noteOpenedBefore();
    trace_->bytes(TrafficDirection::ToTransmitter, bytes);
  }
  inner_.write(bytes);
}

}  // namespace quarn
