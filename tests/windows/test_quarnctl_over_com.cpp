// quarnctl.exe as a technician runs it in PowerShell, against quarn-emulator
// behind a COM port of Wine (scripts/windows/with-emulator.sh): exit codes,
// messages, settings files with Windows paths, backups in %APPDATA%. Each
// test runs under the emulator configuration tests/windows/CMakeLists.txt
// gives it.

#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "documents/settings_file.h"
#include "tests/windows/com_emulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quarn;
using namespace quarn::test;

namespace {

struct Run {
  int exit = -1;  // -1: crashed or hung
  QString out;
  QString err;
  qint64 ms = 0;
};

Run quarnctl(const QStringList& arguments) {
  QProcess program;
  QElapsedTimer clock;
  clock.start();
  program.start(QStringLiteral(QUARNCTL_PATH), arguments);
  program.closeWriteChannel();
  Run run;
  if (!program.waitForFinished(60000)) {
    program.kill();
    program.waitForFinished();
    return run;
  }
  run.ms = clock.elapsed();
  run.exit = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  // Windows ends the printed lines with CR LF.
  run.out = QString::fromUtf8(program.readAllStandardOutput()).replace("\r\n", "\n");
  run.err = QString::fromUtf8(program.readAllStandardError()).replace("\r\n", "\n");
  return run;
}

QString com(int number) { return QString::number(number); }
QString example(const char* name) { return QStringLiteral(QUARN_SOURCE_DIR "/examples/") + name; }

// The backups the window and quarnctl share, where Windows keeps a user's
// application data.
QDir backups() {
  return QDir(QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")) +
              QStringLiteral("/Quelmora/Configuratore Per Quarn/backups"));
}

}  // namespace

#define QVERIFY_RUN(run, code) \
  QVERIFY2((run).exit == (code), qPrintable(QString("exit %1\n%2%3").arg((run).exit).arg((run).out, (run).err)))

class TestQuarnctlOverCom : public QObject {
  Q_OBJECT

 private slots:
  // Every command that talks to the transmitter, one after another on the
  // same port, with settings files named as on a Windows desktop.
  void readsProgramsLoadsAndCompares() {
    const Run ports = quarnctl({"ports"});
    QVERIFY_RUN(ports, 0);
    QVERIFY2(ports.out.contains(QString("COM%1\n").arg(emulator_com())) &&
                 ports.out.contains(QString("nella finestra: Com %1").arg(emulator_com())),
             qPrintable(ports.out));

    QTemporaryDir folder;
    const QString before = QDir::toNativeSeparators(folder.filePath("Perù – prima.json"));
    QVERIFY(before.startsWith("C:\\"));
    QVERIFY_RUN(quarnctl({"read", "--port", com(emulator_com()), "-o", before}), 0);
    const SettingsLoad read = load_settings_file(before);
    QVERIFY(read.file && read.file->cells);
    const MemoryImage factory = factory_default_cells(Band::Uhf, Generation::New);
    QVERIFY(std::equal(read.file->cells->begin(), read.file->cells->end(), factory.begin()));

    const qsizetype backups_before = backups().entryList(QDir::Files).size();
    const Run programmed = quarnctl({"program", before, "--port", "COM" + com(emulator_com()), "--set", "code=4321"});
    QVERIFY_RUN(programmed, 0);
    QCOMPARE(backups().entryList(QDir::Files).size(), backups_before + 1);
    const Run changed = quarnctl({"diff", before, "device", "--port", "\\\\.\\COM" + com(emulator_com())});
    QVERIFY_RUN(changed, 1);
    QVERIFY2(changed.out.contains("4321"), qPrintable(changed.out));

    QVERIFY_RUN(quarnctl({"defaults", "uhf", "--port", com(emulator_com())}), 0);
    QVERIFY_RUN(quarnctl({"diff", example("factory-uhf.json"), "device", "--port", com(emulator_com())}), 0);

    QVERIFY_RUN(quarnctl({"test-tx", "--port", com(emulator_com())}), 0);
    QTRY_COMPARE(emulator_traffic().right(1), QByteArray("Q"));
  }

  void aSilentTransmitterGivesNoAnswer() {
    const Run run = quarnctl({"read", "--port", com(emulator_com()), "--timeout", "2"});
    QVERIFY_RUN(run, 5);
    QVERIFY2(run.err.contains("Nessuna risposta dal trasmettitore"), qPrintable(run.err));
  }

  // A transmitter that stops acknowledging at cell 10: TIME OUT once its 4
  // seconds have passed.
  void writesWithoutAcknowledgementTimeOut() {
    const Run run = quarnctl({"program", example("worked-uhf-code-1234.json"), "--port", com(emulator_com()), "--no-backup"});
    QVERIFY_RUN(run, 5);
    QVERIFY2(run.err.contains("Errore TIME OUT   "), qPrintable(run.err));
    QVERIFY(run.ms >= 4000);
  }

  void aDeviceGoneMidReadIsAPortError() {
    const Run run = quarnctl({"read", "--port", com(emulator_com())});
    QVERIFY_RUN(run, 4);
    QVERIFY2(run.err.contains(QString(" dispositivo scollegato: COM%1\nPorta seriale Guasta o Mancante\n").arg(emulator_com())),
             qPrintable(run.err));
  }

  // A spare byte after cell 5 shifts the read: a read error, and program
  // sends nothing.
  void aSpareByteIsAReadErrorAndNothingIsWritten() {
    QVERIFY_RUN(quarnctl({"read", "--port", com(emulator_com())}), 6);
    QVERIFY_RUN(quarnctl({"program", example("worked-uhf-code-1234.json"), "--port", com(emulator_com())}), 6);
    QVERIFY(!emulator_traffic().contains('W'));
  }

  // --port as a Windows user writes it; what does not open says why.
  void portsThatDoNotOpenSayWhy_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("error");
    QTest::newRow("mapped to nothing") << com(nothing_com()) << QString("1 Funzione non valida: COM%1").arg(nothing_com());
    QTest::newRow("COM above 8") << QString("COM%1").arg(unmapped_com())
                                 << QString("2 File non trovato: COM%1").arg(unmapped_com());
    QTest::newRow("device path") << QString("\\\\.\\COM%1").arg(unmapped_com())
                                 << QString("2 File non trovato: \\\\.\\COM%1").arg(unmapped_com());
  }
  void portsThatDoNotOpenSayWhy() {
    QFETCH(QString, port);
    QFETCH(QString, error);
    const Run run = quarnctl({"read", "--port", port});
    QVERIFY_RUN(run, 4);
    QCOMPARE(run.err, error + "\nPorta seriale Guasta o Mancante\n");
  }
};

QTEST_GUILESS_MAIN(TestQuarnctlOverCom)
#include "test_quarnctl_over_com.moc"
