#pragma once
// The report of a batch: one row per unit in RFC 4180 CSV (fields quoted
// where needed, lines ending in CR LF), the separator chosen by the user.

#include <QChar>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarn::cli {

// A report file that a batch does not append to: one that holds other
// columns (or another separator), which a spreadsheet would read as one
// table, or one that cannot be written (the system's reason); or a report
// that stopped taking rows part-way through the batch.
struct ReportRefused {
  QString path{};
  bool other_columns = false;
  bool not_regular = false;  // a pipe, a device or a folder: never opened
  QString reason{};
};

// The fields of a row, quoted where RFC 4180 needs it: a field holding the
// separator, a double quote or a line break is put in double quotes, its
// own double quotes doubled. No line end.
QString csv_row(const QStringList& fields, QChar separator);

class BatchReport {
 public:
  explicit BatchReport(QChar separator) : separator_(separator) {}

  // The column names, in the order of the fields a row takes.
  static const QStringList& columns();

  // Appends to `path`; a new or empty file gets the column names first.
  std::optional<ReportRefused> open(const QString& path);
  // The unit's row; written to the file when one is open.
  QString add(const QStringList& fields);
  // Closes the file; the first row or the close that failed, with its reason.
  std::optional<ReportRefused> close();

 private:
  QChar separator_;
  QFile file_;
  std::optional<ReportRefused> failure_;  // the first write that failed; none is written after it
};

}  // namespace quarn::cli
