// The traffic trace of the transfer service: every byte both ways in order,
// the port's events and the operations, and a file that cannot be written.

#include "link/transmitter_session.h"
#include "tests/link/file_size_limit.h"
#include "tests/link/scripted_link.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace quarn;

namespace {

struct TraceLine {
  double ms = 0;
  QString text;  // what follows the time: "PC -> TX  52 'R'" or "-- porta chiusa"
};

QStringList file_lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// The lines after the header.
std::vector<TraceLine> trace_lines(const QString& path) {
  static const QRegularExpression line(QStringLiteral("^ *(\\d+\\.\\d) ms  (.*)$"));
  std::vector<TraceLine> lines;
  for (const QString& text : file_lines(path)) {
    if (text.startsWith(u'#')) continue;
    const auto match = line.match(text);
    lines.push_back(match.hasMatch() ? TraceLine{match.captured(1).toDouble(), match.captured(2)}
                                     : TraceLine{-1, text});
  }
  return lines;
}

// The byte lines only, as "> 52" (to the transmitter) and "< 4B".
QStringList bytes_of(const std::vector<TraceLine>& lines) {
  QStringList bytes;
  for (const TraceLine& line : lines) {
    if (line.text.startsWith("PC -> TX  ")) bytes << "> " + line.text.mid(10, 2);
    if (line.text.startsWith("TX -> PC  ")) bytes << "< " + line.text.mid(10, 2);
  }
  return bytes;
}

QString hex(int byte) { return QString::number(byte, 16).rightJustified(2, u'0').toUpper(); }

}  // namespace

class TestTrafficTrace : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  ScriptedLink* port_ = nullptr;
  TransmitterSession* session_ = nullptr;
  QString path_;

  QByteArray nextWritten() {
    if (!QTest::qWaitFor([this] { return !port_->written().isEmpty(); }, 60'000)) return {};
    return port_->takeWritten();
  }

 private slots:
  void init() {
    port_ = new ScriptedLink;
    session_ = new TransmitterSession(*port_);
    path_ = dir_.filePath(QString("trace-%1.txt").arg(QTest::currentTestFunction()));
    QCOMPARE(session_->setTraceFile(path_), std::nullopt);
  }
  void cleanup() {
    delete session_;
    delete port_;
  }

  // Connect: the port opens, "K" comes, "U" goes, then 63 reads, each
  // request before its reply; the times never go back.
  void aConnectTracesTheUThen63RequestReplyPairs() {
    bool done = false;
    QVERIFY(session_->connectAndRead([&](const Outcome& outcome, const ReadResult&) { done = outcome.completed(); }));
    port_->feed("K");
    for (int a = 0; a < read_count; ++a) {
      QByteArray command = nextWritten();
      if (a == 0) {
        QCOMPARE(command.left(1), QByteArray("U"));
        command.remove(0, 1);
      }
      QCOMPARE(command, QByteArray("R") + char(a));
      port_->feed(QByteArray(1, char(100 + a)));
    }
    QTRY_VERIFY(done);
    session_->endSession('E');

    const std::vector<TraceLine> lines = trace_lines(path_);
    QStringList expected{"< 4B", "> 55"};
    for (int a = 0; a < read_count; ++a) expected << "> 52" << "> " + hex(a) << "< " + hex(100 + a);
    expected << "> 45";
    QCOMPARE(bytes_of(lines), expected);

    QVERIFY(lines.size() > 2);
    QCOMPARE(lines.front().text, QString("-- inizio: connessione e lettura"));
    QVERIFY2(lines[1].text.startsWith("-- porta aperta: Com 1"), qPrintable(lines[1].text));
    QCOMPARE(lines.back().text, QString("-- porta chiusa"));
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [](const TraceLine& l) { return l.text == "-- fine: connessione e lettura: completata"; }));
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (i > 1) QVERIFY2(lines[i].ms >= lines[i - 1].ms, qPrintable(lines[i].text));
    }
  }

  // A write step left without its "K": the last bytes traced are that
  // write's, and the end says which cell timed out.
  void aTimeOutEndsWithTheUnansweredWrite() {
    port_->open();
    std::optional<WriteResult> result;
    QVERIFY(session_->program({10, 11, 12, 13, 14}, [&](const WriteResult& r) { result = r; }));
    for (int a = 0; a < 3; ++a) {
      QCOMPARE(nextWritten(), QByteArray("W") + char(a) + char(10 + a));
      port_->feed("K");
    }
    QCOMPARE(nextWritten(), QByteArray("W") + char(3) + char(13));
    QTest::qWait(100);  // at least this long without its "K"
    session_->runTimer1Out();
    QTRY_VERIFY(result);
    QCOMPARE(result->outcome.kind, OutcomeKind::NoAcknowledgement);

    const std::vector<TraceLine> lines = trace_lines(path_);
    const QStringList bytes = bytes_of(lines);
    QCOMPARE(bytes.size(), 3 * 4 + 3);
    QCOMPARE(bytes.mid(bytes.size() - 4), QStringList({"< 4B", "> 57", "> 03", "> 0D"}));
    QCOMPARE(lines.back().text, QString("-- fine: programmazione: nessuna conferma alla cella 3 (TIME OUT)"));
    // The time-out is in the times too: the end comes when Timer1 ran out.
    QVERIFY(lines.back().ms - lines[lines.size() - 2].ms >= 100);
  }

  void portFailuresAndLossesAreTraced() {
    port_->failNextOpen(PortError{2, "Permission denied: /dev/ttyUSB0"});
    bool done = false;
    QVERIFY(session_->connectAndRead([&](const Outcome&, const ReadResult&) { done = true; }));
    QVERIFY(done);
    QVERIFY(session_->connectAndRead([](const Outcome&, const ReadResult&) {}));
    port_->unplug();
    QTRY_VERIFY(!session_->busy());

    QStringList notes;
    for (const TraceLine& line : trace_lines(path_)) notes << line.text;
    QCOMPARE(notes.mid(0, 3), QStringList({"-- inizio: connessione e lettura",
                                           "-- errore della porta (Com 1): 2 Permission denied: /dev/ttyUSB0",
                                           "-- fine: connessione e lettura: errore della porta"}));
    QCOMPARE(notes.mid(notes.size() - 2), QStringList({"-- dispositivo perso: 9 unplugged",
                                                       "-- fine: connessione e lettura: dispositivo perso"}));
  }

  // A file that cannot be written is said, and the session goes on untraced.
  void anUnwritableFileIsRefusedWithItsReason() {
    const QString bad = dir_.filePath("no-such-folder/trace.txt");
    const std::optional<FileError> problem = session_->setTraceFile(bad);
    QVERIFY(problem);
    QCOMPARE(problem->fault, FileFault::TraceNotWritten);
    QCOMPARE(problem->path, bad);
    QVERIFY(!problem->reason.isEmpty());
    port_->open();
    session_->endSession('E');
    QCOMPARE(port_->takeWritten(), QByteArray("E"));
    QVERIFY(!bytes_of(trace_lines(path_)).contains("> 45"));  // nor into the previous file
  }

  // The header says who wrote the trace, when, on which port and line; the
  // times count from the first opening of the port and never go back, across
  // a close and a second opening.
  void theHeaderThenTimesFromTheFirstOpening() {
    auto trace = std::make_shared<TrafficTrace>();
    QCOMPARE(trace->open(path_, {"quarnctl", "9.8.7", "Com 1 (/dev/ttyUSB0)"}), std::nullopt);
    session_->setTrace(trace);
    const QDateTime opened = QDateTime::currentDateTime();
    for (int session = 0; session < 2; ++session) {
      QTest::qWait(20);  // time passes between the sessions
      QVERIFY(session_->connectAndRead([](const Outcome&, const ReadResult&) {}));
      session_->cancel();
      session_->endSession('E');
    }

    const QStringList header = file_lines(path_).mid(0, 5);
    QCOMPARE(header[0], QString("# quarnctl 9.8.7"));
    const QDateTime started = QDateTime::fromString(header[1].section(": ", 1), Qt::ISODateWithMs);
    QVERIFY2(std::abs(started.secsTo(opened)) < 60, qPrintable(header[1]));
    QCOMPARE(header[2], QString("# porta: Com 1 (/dev/ttyUSB0)"));
    QVERIFY2(header[3].startsWith("# linea: 2400 baud, 8 bit di dati, nessuna parità, 1 bit di stop"), qPrintable(header[3]));
    QVERIFY2(header[4].startsWith("# tempi: "), qPrintable(header[4]));

    const std::vector<TraceLine> lines = trace_lines(path_);
    QCOMPARE(lines.front().text, QString("-- inizio: connessione e lettura"));
    QCOMPARE(lines.front().ms, 0.0);
    std::vector<double> openings;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) QVERIFY2(lines[i].ms >= lines[i - 1].ms, qPrintable(lines[i].text));
      if (lines[i].text.startsWith("-- porta aperta: Com 1")) openings.push_back(lines[i].ms);
    }
    QCOMPARE(openings.size(), 2u);
    QCOMPARE(openings[0], 0.0);
    QVERIFY(openings[1] >= 20);
  }

  // A trace that stops taking lines (its disk full part-way through a line)
  // is told once, when the operation ends, with the system's reason.
  void aWriteFailureIsToldOnce() {
#ifdef Q_OS_UNIX
    QSignalSpy failed(session_, &TransmitterSession::traceFailed);
    {
      const test::FileSizeLimit full_disk(rlim_t(QFileInfo(path_).size()) + 7);
      for (int run = 0; run < 2; ++run) {
        port_->failNextOpen(PortError{2, "Permission denied: /dev/ttyUSB0"});
        QVERIFY(session_->connectAndRead([](const Outcome&, const ReadResult&) {}));
      }
    }
    QCOMPARE(failed.count(), 1);
    const auto error = failed[0][0].value<FileError>();
    QCOMPARE(error.fault, FileFault::TraceNotWritten);
    QCOMPARE(error.path, path_);
    QCOMPARE(error.reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
#else
    QSKIP("the file size limit is POSIX");
#endif
  }

  // The emulator's log and the trace share one line format.
  void lineFormat() {
    QCOMPARE(format_traffic_line(104.2, TrafficDirection::ToTransmitter, 'W'), QString("    104.2 ms  PC -> TX  57 'W'"));
    QCOMPARE(format_traffic_line(0, TrafficDirection::ToClient, 0x0D), QString("      0.0 ms  TX -> PC  0D"));
  }
};

QTEST_GUILESS_MAIN(TestTrafficTrace)
#include "test_traffic_trace.moc"
