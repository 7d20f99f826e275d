#include "cli/batch_report.h"

#include "link/file_saving.h"

namespace quarn::cli {

QString csv_row(const QStringList& fields, QChar separator) {
  QStringList quoted;
  for (QString field : fields) {
    const bool needs_quotes = field.contains(separator) || field.contains(u'"') || field.contains(u'\n') ||
                              field.contains(u'\r');
    if (needs_quotes) field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
    quoted << field;
  }
  return quoted.join(separator);
}

const QStringList& BatchReport::columns() {
  static const QStringList names{"ora", "codice", "banda", "frequenza", "esito", "celle_verificate", "motivo"};
  return names;
}

std::optional<ReportRefused> BatchReport::open(const QString& path) {
  file_.setFileName(path);
  // A pipe would hold the batch before its first unit, waiting for a reader.
  if (!may_save_at(path)) return ReportRefused{.path = path, .not_regular = true};
  const QByteArray heading = csv_row(columns(), separator_).toUtf8();
  if (file_.open(QIODevice::ReadOnly) && file_.size() > 0) {
    const QByteArray first = file_.readLine().trimmed();
    file_.close();
    if (first != heading) {
      return ReportRefused{.path = path, .other_columns = true};
    }
  }
  file_.close();
  // Unbuffered: each row is on disk before the next unit, and a write that
  // fails says why.
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
    return ReportRefused{.path = path, .reason = file_.errorString()};
  }
  if (file_.size() == 0) {
    if (auto reason = write_whole(file_, heading + "\r\n")) {
      file_.close();
      return ReportRefused{.path = path, .reason = *reason};
    }
  }
  return std::nullopt;
}

QString BatchReport::add(const QStringList& fields) {
  const QString row = csv_row(fields, separator_);
  if (file_.isOpen() && !failure_) {
    if (auto reason = write_whole(file_, row.toUtf8() + "\r\n")) {
      failure_ = ReportRefused{.path = file_.fileName(), .reason = *reason};
    }
  }
  return row;
}

std::optional<ReportRefused> BatchReport::close() {
  if (!file_.isOpen()) return failure_;
  file_.close();
  if (!failure_ && file_.error() != QFileDevice::NoError) {
    failure_ = ReportRefused{.path = file_.fileName(), .reason = file_.errorString()};
  }
  return failure_;
}

}  // namespace quarn::cli
