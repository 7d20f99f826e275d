#pragma once
// The fault matrix as markdown, as observed: one line per case, then the
// short outcome of each case on a grid of faults by operations; printed at
// the end of the run and written beside the test program.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <QMap>

#include <cstdio>

namespace quarn::test {

class MatrixTable {
 public:
  MatrixTable(QString file_name, QStringList columns) : file_name_(std::move(file_name)), columns_(std::move(columns)) {}

  void add(const QStringList& cells) { lines_ << "| " + cells.join(" | ") + " |"; }
  // The short outcome of the case on the grid.
  void mark(const QString& fault, const QString& operation, const QString& outcome) {
    if (!faults_.contains(fault)) faults_ << fault;
    if (!operations_.contains(operation)) operations_ << operation;
    grid_[{fault, operation}] = outcome;
  }

  // Writes the table into the test program's folder and to standard output;
  // the path written, empty on failure.
  QString write(const QString& summary) const {
    QStringList text{"| Fault | " + operations_.join(" | ") + " |",
                     "|" + QString("---|").repeated(int(operations_.size()) + 1)};
    for (const QString& fault : faults_) {
      QStringList cells{fault};
      for (const QString& operation : operations_) cells << grid_.value({fault, operation}, "-");
      text << "| " + cells.join(" | ") + " |";
    }
    text << "" << "| " + columns_.join(" | ") + " |" << "|" + QString("---|").repeated(int(columns_.size()));
    text += lines_;
    text << "" << summary << "";
    const QString joined = text.join('\n');
    std::fputs(qPrintable(joined), stdout);
    QFile file(QDir(QCoreApplication::applicationDirPath()).filePath(file_name_));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(joined.toUtf8()) < 0) return {};
    return file.fileName();
  }

 private:
  QString file_name_;
  QStringList columns_;
  QStringList lines_;
  QStringList faults_;
  QStringList operations_;
  QMap<std::pair<QString, QString>, QString> grid_;
};

}  // namespace quarn::test
