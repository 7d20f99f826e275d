// The window's word on its traffic trace: a file it cannot open is said once
// and the program goes on without it; a trace that stops taking lines is
// said once, after the operation, however many operations follow.

#include "tests/link/file_size_limit.h"
#include "tests/ui/principale_fixture.h"
#include "ui/trace_messages.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

class TestTraceMessages : public QObject {
  Q_OBJECT

 private slots:
  void anUnopenableTraceIsSaidAndLeftOut() {
    QTemporaryDir dir;
    RecordingNotifier notifier;
    const QString path = dir.filePath("no-folder/t.txt");
    QCOMPARE(open_window_trace(path, notifier), nullptr);
    QCOMPARE(notifier.messages.size(), 1u);
    QVERIFY2(notifier.messages[0].text.startsWith("Impossibile scrivere la traccia " + path + ": "),
             qPrintable(notifier.messages[0].text));
  }

  // The disk fills part-way through the trace (file_size_limit.h stands in for it).
  void aTraceThatStopsTakingLinesIsSaidOnce() {
#ifndef Q_OS_UNIX
    QSKIP("the file size limit is POSIX");
#else
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    PrincipaleFixture f;
    const std::shared_ptr<TrafficTrace> trace = open_window_trace(path, f.notifier);
    QVERIFY(trace);
    QVERIFY(f.notifier.messages.empty());
    f.window.session().setTrace(trace);
    tell_trace_failures(f.window.session(), f.notifier);
    {
      const FileSizeLimit full_disk(rlim_t(QFileInfo(path).size()) + 7);
      QVERIFY(f.connectAndRead());
    }
    QTRY_COMPARE(f.notifier.messages.size(), 1u);
    QVERIFY2(f.notifier.messages[0].text.startsWith("Impossibile scrivere la traccia " + path + ": "),
             qPrintable(f.notifier.messages[0].text));

    bool read = false;
    QVERIFY(f.window.session().readMemory([&](const Outcome&, const ReadResult&) { read = true; }));
    QVERIFY(run_until([&] { return read; }, 5000));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.notifier.messages.size(), 1u);
#endif
  }
};

QTEST_MAIN(TestTraceMessages)
#include "test_trace_messages.moc"
