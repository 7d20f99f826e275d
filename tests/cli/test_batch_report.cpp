// The batch report's CSV: RFC 4180 quoting under either separator, and a
// report file that already holds other columns is not appended to.

#include "cli/batch_report.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quarn::cli;

class TestBatchReport : public QObject {
  Q_OBJECT

 private slots:
  void quotesWhatNeedsIt_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("row");
    QTest::newRow("plain") << QStringList{"500", "UHF", ""} << "," << "500,UHF,";
    QTest::newRow("the separator") << QStringList{"a,b", "c;d"} << "," << "\"a,b\",c;d";
    QTest::newRow("the other separator") << QStringList{"a,b", "c;d"} << ";" << "a,b;\"c;d\"";
    QTest::newRow("a double quote") << QStringList{"Comando \"x\""} << "," << "\"Comando \"\"x\"\"\"";
    QTest::newRow("a line break") << QStringList{"a\nb", "c\rd"} << "," << "\"a\nb\",\"c\rd\"";
  }
  void quotesWhatNeedsIt() {
    QFETCH(QStringList, fields);
    QFETCH(QString, separator);
    QFETCH(QString, row);
    QCOMPARE(csv_row(fields, separator.at(0)), row);
  }

  // Rows go after the heading, one per line ending in CR LF; a file with
  // another heading (an older report, another separator) is refused.
  void appendsOnlyToTheSameColumns() {
    QTemporaryDir dir;
    const QString path = dir.filePath("r.csv");
    for (int run = 0; run < 2; ++run) {
      BatchReport report(u';');
      QCOMPARE(report.open(path), std::nullopt);
      report.add({QString::number(run)});
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), BatchReport::columns().join(u';').toUtf8() + "\r\n0\r\n1\r\n");
    const auto refused = BatchReport(u',').open(path);
    QVERIFY(refused && refused->other_columns && refused->path == path);
  }
};

QTEST_GUILESS_MAIN(TestBatchReport)
#include "test_batch_report.moc"
