#include "cli/batch_report.h"

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
  const QByteArray heading = csv_row(columns(), separator_).toUtf8();
  if (file_.open(QIODevice::ReadOnly) && file_.size() > 0) {
    const QByteArray first = file_.readLine().trimmed();
    file_.close();
    if (first != heading) {
      return ReportRefused{.path = path, .other_columns = true};
    }
  }
  file_.close();
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
    return ReportRefused{.path = path, .reason = file_.errorString()};
  }
  if (file_.size() == 0) file_.write(heading + "\r\n");
  file_.flush();
  return std::nullopt;
}

QString BatchReport::add(const QStringList& fields) {
  const QString row = csv_row(fields, separator_);
  if (file_.isOpen()) {
    file_.write(row.toUtf8() + "\r\n");
    file_.flush();
  }
  return row;
}

}  // namespace quarn::cli
