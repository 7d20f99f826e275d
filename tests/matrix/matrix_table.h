#pragma once
// The fault matrix as a markdown table: one line per case, as observed,
// printed at the end of the run and written beside the test program.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace quarn::test {

class MatrixTable {
 public:
  MatrixTable(QString file_name, QStringList columns) : file_name_(std::move(file_name)), columns_(std::move(columns)) {}

  void add(const QStringList& cells) { lines_ << "| " + cells.join(" | ") + " |"; }

  // Writes the table into the test program's folder and to standard output;
  // the path written, empty on failure.
  QString write(const QString& summary) const {
    QStringList text{"| " + columns_.join(" | ") + " |", "|" + QString("---|").repeated(int(columns_.size()))};
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
};

}  // namespace quarn::test
