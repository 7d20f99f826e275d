#include "ui/trace_messages.h"

#include "documents/operator_texts.h"
#include "ui/branding.h"

namespace quarn {

namespace {
// Why, as a sentence, then what follows from it.
QString trace_message(const FileError& error, const QString& consequence) {
  QString reason = file_error_text(error);
  if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
  return reason + u'\n' + consequence;
}
}  // namespace

std::shared_ptr<TrafficTrace> open_window_trace(const QString& path, Notifier& notifier) {
  auto trace = std::make_shared<TrafficTrace>();
  if (const auto problem = trace->open(path, {QStringLiteral("quarn-configurator"), branding::version(), {}})) {
    notifier.message(trace_message(*problem, QStringLiteral("Il programma continua senza traccia.")));
    return nullptr;
  }
  return trace;
}

void tell_trace_failures(TransmitterSession& session, Notifier& notifier) {
  // Queued: the operation's own outcome comes first.
  QObject::connect(
      &session, &TransmitterSession::traceFailed, &session,
      [&notifier](const FileError& error) {
        notifier.message(trace_message(error, QStringLiteral("La traccia si ferma qui: il seguito non vi è scritto.")));
      }, Qt::QueuedConnection);
}

}  // namespace quarn
