// quarn-bench still runs end to end: a quick unpaced run presses every
// button, finishes every operation without a message box and reports every
// row as a JSON line. The figures themselves are not judged here.

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <map>

class TestBenchSmoke : public QObject {
  Q_OBJECT

 private slots:
  void quickRunReportsEveryRow() {
    QProcess bench;
    bench.start(QStringLiteral(QUARN_BENCH_PATH), {"--no-pacing", "--runs", "1"});
    QVERIFY(bench.waitForStarted());
    QVERIFY2(bench.waitForFinished(1'000'000), "no end after 1000 s");
    const QByteArray output = bench.readAllStandardOutput();
    QVERIFY2(bench.exitStatus() == QProcess::NormalExit && bench.exitCode() == 0, output.constData());

    std::map<QString, QJsonObject> rows;
    for (const QByteArray& line : output.split('\n')) {
      if (!line.startsWith('{')) continue;
      QJsonParseError error{};
      const QJsonDocument json = QJsonDocument::fromJson(line, &error);
      QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
      rows[json.object().value("row").toString()] = json.object();
    }

    // Bytes both ways from the first command to the last reply: "U" and 63
    // reads of three bytes; 62 writes of four bytes (a New device) and the
    // read-back; 64 writes and the read-back. One turnaround per step but the
    // first and but the read-back's first: that one follows the writes' guard.
    // A guard after each sequence: the read, or the writes and the read-back.
    struct Expected {
      int bytes, turnarounds, guards;
    };
    const std::map<QString, Expected> transfers{
        {"connect+read", {1 + 63 * 3, 62, 1}},
        {"Programma", {62 * 4 + 63 * 3, 62 + 63 - 2, 2}},
        {"UHF defaults", {64 * 4 + 63 * 3, 64 + 63 - 2, 2}},
        {"VHF defaults", {64 * 4 + 63 * 3, 64 + 63 - 2, 2}},
    };
    for (const auto& [name, expected] : transfers) {
      QVERIFY2(rows.count(name), qPrintable(name));
      const QJsonObject row = rows[name];
      QCOMPARE(row.value("bytes").toInt(), expected.bytes);
      QCOMPARE(row.value("turnaround_ms").toObject().value("count").toInt(), expected.turnarounds);
      const QJsonObject guard = row.value("guard_ms").toObject();
      QCOMPARE(guard.value("count").toInt(), expected.guards);
      // Each guard listens 30 ms, whatever the line's pace.
      QVERIFY2(guard.value("median").toDouble() >= 30, qPrintable(name));
      // Each operation sends its first command some time after the press.
      QVERIFY2(row.value("press_to_first_byte_ms").toDouble() > 0, qPrintable(name));
      QVERIFY2(row.value("longest_event_ms").toDouble() > 0, qPrintable(name));
      QVERIFY2(row.value("paints").toDouble() > 0, qPrintable(name));  // the progress bar at least
      QVERIFY2(row.value("main_wakeups_per_received_byte").isDouble(), qPrintable(name));
      // The bare client replayed the same exchanges without going out of step.
      QVERIFY2(row.value("bare_client_ratio").toDouble() > 0, qPrintable(name));
      QVERIFY2(row.value("wakeups_per_s").isDouble(), qPrintable(name));
      QVERIFY2(row.value("probe_percent").isDouble(), qPrintable(name));
      QCOMPARE(row.value("boxes").toInt(-1), 0);
      QVERIFY2(row.value("wall_s").toDouble() > 0 && row.value("cpu_percent").toDouble() > 0, qPrintable(name));
      QVERIFY2(row.value("worst").isObject(), qPrintable(name));
    }
    for (const QString name : {"idle connected", "idle not connected"}) {
      QVERIFY2(rows.count(name), qPrintable(name));
      QCOMPARE(rows[name].value("boxes").toInt(-1), 0);
      QVERIFY2(rows[name].value("wakeups_per_s").toDouble() > 0, qPrintable(name));
      QVERIFY2(rows[name].value("cpu_percent").isDouble(), qPrintable(name));
      QVERIFY2(rows[name].value("status_updates_per_s").isDouble(), qPrintable(name));
      QVERIFY2(rows[name].value("main_wakeups_per_s").isDouble(), qPrintable(name));
      // The caption marquee ticked (every 150 ms) and its handler took some time.
      QVERIFY2(rows[name].value("timer_events_per_s").toDouble() > 0, qPrintable(name));
      QVERIFY2(rows[name].value("own_percent").toDouble() > 0, qPrintable(name));
    }
    // The floor window's caption scrolls too.
    QVERIFY(rows.count("floor window"));
    QVERIFY(rows["floor window"].value("timer_events_per_s").toDouble() > 0);
    QVERIFY(rows.count("emulator pacing"));
    QVERIFY(rows["emulator pacing"].value("reported").toBool());
    QVERIFY(rows["emulator pacing"].value("bytes").toInt() > 0);
  }
};

QTEST_GUILESS_MAIN(TestBenchSmoke)
#include "test_bench_smoke.moc"
