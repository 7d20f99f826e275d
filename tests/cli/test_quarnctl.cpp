// quarnctl as a technician runs it: the built program against quarn-emulator
// on a pseudo-terminal (line unpaced), its exit codes, its messages and what
// the device holds afterwards.

#include "config/factory_defaults.h"
#include "config/cell_map.h"
#include "link/settings_file.h"
#include "tests/link/unusable_paths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace quarn;

namespace {

// What one program run may take at most on a loaded machine; reached only
// when something is wrong.
constexpr int patience_ms = 120'000;

// One quarn-emulator process; its device path is the first line it prints.
class Emulator {
 public:
  enum class Line { Unpaced, Paced };  // paced: 2400 baud, as a real device
  explicit Emulator(const QStringList& faults = {}, Line line = Line::Unpaced) {
    process_.start(QStringLiteral(QUARN_EMULATOR_PATH), (line == Line::Unpaced ? QStringList{"--no-pacing"} : QStringList{}) + faults);
    if (process_.waitForStarted(patience_ms) && process_.waitForReadyRead(patience_ms)) path_ = QString::fromUtf8(process_.readLine()).trimmed();
  }
  ~Emulator() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
  }
  const QString& path() const { return path_; }
  // The traffic log so far.
  QString log() { return log_ += QString::fromUtf8(process_.readAllStandardError()); }
  // Waits until the traffic log holds `text` `times` times.
  bool waitForLog(const QString& text, int times) {
    process_.setReadChannel(QProcess::StandardError);
    const QDeadlineTimer deadline(patience_ms);
    while (log().count(text) < times) {
      if (!process_.waitForReadyRead(int(deadline.remainingTime()))) return false;
    }
    return true;
  }
  // The device goes away at once, as an adapter pulled out: the
  // pseudo-terminal's master closes with the process.
  void pull() {
    process_.kill();
    process_.waitForFinished(3000);
  }

 private:
  QProcess process_;
  QString path_;
  QString log_;
};

struct Run {
  int exit = -1;
  QString out;
  QString err;
};

class QuarnctlBench {
 public:
  QuarnctlBench() : data_home(dir.filePath("data")) { QVERIFY(dir.isValid()); }
  QString file(const QString& name) const { return dir.filePath(name); }

  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", data_home);  // backups stay in the test's folder
    return env;
  }

  Run run(const QStringList& arguments, int timeout_ms = patience_ms) const {
    return runProgram(QStringLiteral(QUARNCTL_PATH), arguments, timeout_ms);
  }
  // quarnctl behind another program (setpriv ... -- quarnctl).
  Run runThrough(const QStringList& wrapper, const QStringList& arguments) const {
    return runProgram(wrapper.first(), wrapper.mid(1) + QStringList{QStringLiteral(QUARNCTL_PATH)} + arguments, patience_ms);
  }
  Run runProgram(const QString& program, const QStringList& arguments, int timeout_ms) const {
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, arguments);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(timeout_ms)) {
      p.kill();
      p.waitForFinished();
      return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }

  // The device's cells through quarnctl read; a read error (exit 6, a
  // checksum that does not match) still saves what was read.
  std::optional<MemoryRead> cells(const QString& port, const QString& name, int expected_exit = 0) const {
    const Run r = run({"read", "--port", port, "-o", file(name)});
    if (r.exit != expected_exit) return std::nullopt;
    const SettingsLoad load = load_settings_file(file(name));
    return load.file ? load.file->cells : std::nullopt;
  }

  // A copy of `source` with one text setting replaced.
  QString edited(const QString& source, const QString& key, const QString& value, const QString& name) const {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return {};
    QByteArray text = in.readAll();
    const QRegularExpression pattern(QString("\"%1\": \"[^\"]*\"").arg(key));
    QString s = QString::fromUtf8(text);
    s.replace(pattern, QString("\"%1\": \"%2\"").arg(key, value));
    QFile out(file(name));
    if (!out.open(QIODevice::WriteOnly)) return {};
    out.write(s.toUtf8());
    return out.fileName();
  }

  QTemporaryDir dir;
  QString data_home;
};

// The byte lines of a trace file, as "> 52" (to the transmitter) and "< 4B",
// up to the line that starts with `until` (all of them when empty).
QStringList traced_bytes(const QString& path, const QString& until = {}) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {"no trace"};
  QStringList bytes;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
    const QString text = line.section(" ms  ", 1);
    if (!until.isEmpty() && text.startsWith(until)) break;
    if (text.startsWith("PC -> TX  ")) bytes << "> " + text.mid(10, 2);
    if (text.startsWith("TX -> PC  ")) bytes << "< " + text.mid(10, 2);
  }
  return bytes;
}

QString hex(int byte) { return QString::number(byte, 16).rightJustified(2, '0').toUpper(); }

bool in_packets(int address) {
  return (address >= cell::alarm_packet && address < cell::alarm_packet + packet_size) ||
         (address >= cell::battery_packet && address < cell::battery_packet + packet_size);
}

// How an ordinary user runs quarnctl: under root, through setpriv without the
// overrides of file permissions and of a terminal's exclusive mode. Nothing
// when root has no setpriv.
std::optional<QStringList> as_ordinary_user() {
  if (::geteuid() != 0) return QStringList{};
  if (QStandardPaths::findExecutable("setpriv").isEmpty()) return std::nullopt;
  return QStringList{"setpriv", "--bounding-set", "-dac_override,-dac_read_search,-sys_admin", "--"};
}

// Who else holds the emulator's device while quarnctl tries it.
enum class Holder { None, SerialPort, Exclusive };

}  // namespace

Q_DECLARE_METATYPE(Holder)

class TestQuarnctl : public QObject {
  Q_OBJECT

 private slots:
  // The trace of a read: the ready "K", the "U", then 63 requests each
  // followed by its reply; the trace of a time-out stops at the write that
  // got no answer.
  void traceOfAReadAndOfATimeOut() {
    QuarnctlBench bench;
    {
      Emulator emulator;
      const Run read = bench.run({"read", "--port", emulator.path(), "-o", bench.file("a.json"), "--trace", bench.file("read.txt")});
      QCOMPARE(read.exit, 0);
    }
    const QStringList bytes = traced_bytes(bench.file("read.txt"));
    QCOMPARE(bytes.mid(0, 2), QStringList({"< 4B", "> 55"}));
    QCOMPARE(bytes.size(), 2 + 3 * read_count + 1);  // and the closing "E"
    for (int a = 0; a < read_count; ++a) {
      QCOMPARE(bytes[2 + 3 * a], QString("> 52"));
      QCOMPARE(bytes[3 + 3 * a], "> " + hex(a));
      QVERIFY(bytes[4 + 3 * a].startsWith("< "));
    }
    QCOMPARE(bytes.back(), QString("> 45"));

    Emulator silent({"--no-ack-from", "5"});
    const Run program = bench.run({"program", bench.file("a.json"), "--port", silent.path(), "--trace", bench.file("timeout.txt")});
    QCOMPARE(program.exit, 5);
    const QStringList written = traced_bytes(bench.file("timeout.txt"), "-- fine: programmazione");
    QVERIFY(written.size() > 4);
    QCOMPARE(written.mid(written.size() - 4, 2), QStringList({"< 4B", "> 57"}));
    QCOMPARE(written[written.size() - 2], QString("> 05"));
  }

  void anUnwritableTraceIsAUsageError() {
    Emulator emulator;
    QuarnctlBench bench;
    const Run r = bench.run({"read", "--port", emulator.path(), "--trace", bench.file("no-folder/t.txt")});
    QCOMPARE(r.exit, 2);
    QVERIFY2(r.err.contains(bench.file("no-folder/t.txt")), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
  }

  // A device the user may not open (a mode-000 pseudo-terminal, with root's
  // override of file permissions dropped): the error names the device.
  void aPortWithoutPermissionNamesTheDevice() {
    if (QStandardPaths::findExecutable("setpriv").isEmpty()) QSKIP("setpriv is not installed");
    Emulator emulator;
    QuarnctlBench bench;
    QVERIFY(QFile::setPermissions(emulator.path(), {}));
    const Run r = bench.runThrough({"setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--"},
                                   {"read", "--port", emulator.path()});
    QCOMPARE(r.exit, 4);
    QVERIFY2(r.err.startsWith("2 Permission denied: " + emulator.path() + '\n'), qPrintable(r.err));
  }

  // A port that will not open, for an ordinary user: exit 4 at once, and the
  // port error names the device. A port that another program holds (with
  // QSerialPort's lock file, or a terminal in exclusive mode without one) is
  // said to be in use rather than a matter of permissions.
  void aPortThatWillNotOpenIsNamed_data() {
    QTest::addColumn<int>("path_row");  // in unusable_paths(); -1: the emulator's device
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<QString>("error");  // %1: the device
    int row = 0;
    for (const quarn::test::UnusablePath& path : quarn::test::unusable_paths()) {
      QTest::newRow(path.name) << row++ << Holder::None << path.error + ": %1";
    }
    QTest::newRow("held by another serial program") << -1 << Holder::SerialPort
                                                    << "2 porta occupata da un altro programma: %1";
    QTest::newRow("held in exclusive mode") << -1 << Holder::Exclusive << "2 porta occupata da un altro programma: %1";
  }
  void aPortThatWillNotOpenIsNamed() {
    QFETCH(int, path_row);
    QFETCH(Holder, holder);
    QFETCH(QString, error);
    const std::optional<QStringList> user = as_ordinary_user();
    if (!user) QSKIP("setpriv is not installed");
    QuarnctlBench bench;
    std::optional<Emulator> emulator;
    QString path;
    if (path_row >= 0) {
      path = quarn::test::unusable_paths().at(std::size_t(path_row)).make(QDir(bench.dir.path()));
    } else {
      path = emulator.emplace().path();
    }
    QVERIFY(!path.isEmpty());
    QSerialPort serial_holder(path);
    int exclusive_holder = -1;
    if (holder == Holder::SerialPort) QVERIFY(serial_holder.open(QIODevice::ReadWrite));
    if (holder == Holder::Exclusive) {
      exclusive_holder = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
      QVERIFY(exclusive_holder >= 0);
      QVERIFY(::ioctl(exclusive_holder, TIOCEXCL) == 0);
    }
    const QStringList arguments{"read", "--port", path};
    const Run r = user->isEmpty() ? bench.run(arguments) : bench.runThrough(*user, arguments);
    if (exclusive_holder >= 0) ::close(exclusive_holder);
    QCOMPARE(r.exit, 4);
    QCOMPARE(r.err, error.arg(path) + "\nPorta seriale Guasta o Mancante\n");
    QVERIFY(r.out.isEmpty());
  }

  // The device goes away (the emulator killed, its pseudo-terminal's master
  // closed with it) while quarnctl waits for the ready "K", in the middle of
  // a read, or of the writes of a program run, on a line paced as a real one:
  // quarnctl ends at once with exit 4, naming the device; a program run also
  // says how many cells were acknowledged.
  void theDeviceVanishesWhileInUse_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("step");  // a line of the traffic log ...
    QTest::addColumn<int>("times");     // ... seen this often before the device goes
    QTest::addColumn<QString>("then");  // what follows the port error (a pattern)
    QTest::newRow("waiting for the ready K") << "read" << QStringList{"--silent"} << "client opened the port" << 1 << "";
    QTest::newRow("read") << "read" << QStringList{} << "PC -> TX  52" << 3 << "";
    QTest::newRow("program") << "program" << QStringList{} << "PC -> TX  57" << 3
                             << "Confermate \\d+ celle prima dell'errore\n";
  }
  void theDeviceVanishesWhileInUse() {
    QFETCH(QString, command);
    QFETCH(QStringList, faults);
    QFETCH(QString, step);
    QFETCH(int, times);
    QFETCH(QString, then);
    QuarnctlBench bench;
    QStringList arguments{command};
    if (command == "program") {
      const Emulator source;
      QVERIFY(bench.cells(source.path(), "a.json"));
      arguments << bench.file("a.json");
    }
    Emulator device(faults, Emulator::Line::Paced);
    arguments << "--port" << device.path();
    QProcess quarnctl;
    quarnctl.setProcessEnvironment(bench.environment());
    quarnctl.start(QStringLiteral(QUARNCTL_PATH), arguments);
    quarnctl.closeWriteChannel();
    QVERIFY(device.waitForLog(step, times));
    device.pull();
    QVERIFY(quarnctl.waitForFinished(patience_ms));
    QCOMPARE(quarnctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quarnctl.exitCode(), 4);
    // The serial layer numbers the loss by the call that noticed it: a read (5) or another (6).
    const QRegularExpression expected("^[56] dispositivo scollegato: " + QRegularExpression::escape(device.path()) +
                                      "\nPorta seriale Guasta o Mancante\n" + then + "$");
    const QString err = QString::fromUtf8(quarnctl.readAllStandardError());
    QVERIFY2(expected.match(err).hasMatch(), qPrintable(err));
  }

  // A read saved to a file and programmed back leaves the device byte for
  // byte as it was, after a backup of the memory as read.
  void programmingARead_BackLeavesTheDeviceUnchanged() {
    Emulator emulator;
    QuarnctlBench bench;
    const auto before = bench.cells(emulator.path(), "a.json");
    QVERIFY(before);
    const Run program = bench.run({"program", bench.file("a.json"), "--port", emulator.path()});
    QCOMPARE(program.exit, 0);
    QVERIFY(program.out.contains("Programmazione verificata: 62 celle"));
    const auto after = bench.cells(emulator.path(), "b.json");
    QVERIFY(after);
    QCOMPARE(*after, *before);
    const QStringList backups = QDir(bench.file("data/Quelmora/Configuratore Per Quarn/backups")).entryList({"*.json"});
    QCOMPARE(backups.size(), 1);
  }

  void setCodeChangesOnlyThePacketsAndChecksum() {
    Emulator emulator;
    QuarnctlBench bench;
    const auto before = bench.cells(emulator.path(), "a.json");
    QVERIFY(before);
    QCOMPARE(bench.run({"program", bench.file("a.json"), "--port", emulator.path(), "--set", "code=1234"}).exit, 0);
    const auto after = bench.cells(emulator.path(), "b.json");
    QVERIFY(after);
    int changed = 0;
    for (int a = 0; a < read_count; ++a) {
      if ((*after)[a] == (*before)[a]) continue;
      ++changed;
      QVERIFY2(in_packets(a) || a == cell::block_checksum, qPrintable(QString("cell %1 changed").arg(a)));
    }
    QVERIFY(changed > 0);
    QVERIFY(load_settings_file(bench.file("b.json")).file->settings.code == "1234");
  }

  // Settings that cannot be encoded, a bad --set or a broken file: the port
  // is never opened.
  void refusalsSendNothing_data() {
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");
    QTest::newRow("frequency outside the band") << QStringList{} << "frequency" << "999" << 3 << "Frequenza Fuori Banda !";
    QTest::newRow("code above 65535") << QStringList{"--set", "code=70000"} << "code" << "1" << 3 << "Errore Codice Quarn Fuori Range";
    QTest::newRow("unknown key") << QStringList{"--set", "colour=red"} << "code" << "1" << 2 << "Chiave sconosciuta";
    QTest::newRow("bad option word") << QStringList{"--set", "tones=medium"} << "code" << "1" << 2 << "high";
  }
  void refusalsSendNothing() {
    QFETCH(QStringList, extra);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, exit);
    QFETCH(QString, message);
    Emulator emulator;
    QuarnctlBench bench;
    const Emulator source;  // a second device gives the file without touching the first
    QVERIFY(bench.cells(source.path(), "a.json"));
    const QString bad = bench.edited(bench.file("a.json"), key, value, "bad.json");
    const Run r = bench.run(QStringList{"program", bad, "--port", emulator.path()} + extra);
    QCOMPARE(r.exit, exit);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QTest::qWait(100);
    QVERIFY(!emulator.log().contains("client opened"));
  }

  void aBrokenFileIsRefused() {
    QuarnctlBench bench;
    QFile f(bench.file("broken.json"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{\"format\": \"quarn-settings\"");
    f.close();
    for (const QString& command : QStringList{"program", "check"}) {
      const Run r = bench.run({command, f.fileName(), "--port", "/dev/null-no-such"});
      QCOMPARE(r.exit, 3);
      QVERIFY(!r.err.isEmpty());
    }
  }

  // Cell 10 never acknowledged: the run stops there and names it; the
  // device holds the new values in cells 0 to 9 only.
  void noAcknowledgementNamesTheCellAndStopsThere() {
    Emulator emulator({"--no-ack-from", "10"});
    QuarnctlBench bench;
    const auto before = bench.cells(emulator.path(), "a.json");
    QVERIFY(before);
    const Run r = bench.run({"program", bench.file("a.json"), "--port", emulator.path(), "--set", "robbery_time=77",
                             "--set", "frequency=433"});
    QCOMPARE(r.exit, 5);
    QVERIFY2(r.err.contains("Errore TIME OUT") && r.err.contains("cella 10"), qPrintable(r.err));
    // Cells 0 to 9 stored without the checksum that cell 61 would have
    // brought: the read reports its error and still saves the cells.
    const auto after = bench.cells(emulator.path(), "b.json", 6);
    QVERIFY(after);
    QCOMPARE(int((*after)[cell::robbery_time]), 77);
    for (int a = 10; a < read_count; ++a) QCOMPARE((*after)[a], (*before)[a]);
  }

  // The backups folder cannot be made (a file stands where a folder must
  // be): the service refuses the write and the device keeps its memory.
  void aFailedBackupWritesNothing() {
    Emulator emulator;
    QuarnctlBench bench;
    const auto before = bench.cells(emulator.path(), "a.json");
    QVERIFY(before);
    QFile blocker(bench.file("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bench.data_home = bench.file("blocker/data");
    const Run r = bench.run({"program", bench.file("a.json"), "--port", emulator.path(), "--set", "code=77"});
    QCOMPARE(r.exit, 7);
    QVERIFY2(r.err.contains("Backup non salvato"), qPrintable(r.err));
    const auto after = bench.cells(emulator.path(), "b.json");
    QVERIFY(after);
    QCOMPARE(*after, *before);
  }

  void aCellStoredOtherwiseFailsTheVerify() {
    Emulator emulator({"--store-other-at", "12"});
    QuarnctlBench bench;
    QVERIFY(bench.cells(emulator.path(), "a.json"));
    const Run r = bench.run({"program", bench.file("a.json"), "--port", emulator.path()});
    QCOMPARE(r.exit, 6);
    QVERIFY2(r.err.contains("cella 12: scritto"), qPrintable(r.err));
    QVERIFY(!r.out.contains("verificata"));
  }

  void aSilentDeviceTimesOut() {
    Emulator emulator({"--silent"});
    QuarnctlBench bench;
    const Run r = bench.run({"read", "--port", emulator.path(), "--timeout", "1"});
    QCOMPARE(r.exit, 5);
    QVERIFY(r.err.contains("Nessuna risposta dal trasmettitore"));
  }

  // Loading a factory set verifies it; the test transmission sends "Q" after
  // the handshake and nothing else.
  void defaultsAndTestTransmission() {
    Emulator emulator;
    QuarnctlBench bench;
    const Run defaults = bench.run({"defaults", "vhf", "--old", "--port", emulator.path()});
    QCOMPARE(defaults.exit, 0);
    const auto cells = bench.cells(emulator.path(), "vhf.json");
    QVERIFY(cells);
    const MemoryImage expected = factory_default_cells(Band::Vhf, Generation::Old);
    QVERIFY(std::equal(cells->begin(), cells->end(), expected.begin()));
    const Run tx = bench.run({"test-tx", "--port", emulator.path()});
    QCOMPARE(tx.exit, 0);
    QTRY_VERIFY(emulator.log().contains("'Q'"));
  }

  void diffAndCheckNeedNoPort() {
    Emulator emulator;
    QuarnctlBench bench;
    QVERIFY(bench.cells(emulator.path(), "a.json"));
    QVERIFY(bench.cells(emulator.path(), "same.json"));
    const QString other = bench.edited(bench.file("a.json"), "robbery_time", "99", "other.json");
    const Run equal = bench.run({"diff", bench.file("a.json"), bench.file("same.json")});
    QCOMPARE(equal.exit, 0);
    const Run unequal = bench.run({"diff", bench.file("a.json"), other});
    QCOMPARE(unequal.exit, 1);
    QVERIFY(unequal.out.contains("robbery_time: 30 -> 99"));
    const Run device = bench.run({"diff", "device", bench.file("a.json"), "--port", emulator.path()});
    QCOMPARE(device.exit, 0);

    const Run check = bench.run({"check", other, "--port", "/dev/null-no-such"});
    QCOMPARE(check.exit, 0);
    QVERIFY(check.out.startsWith(" 0:  99\n"));
    QVERIFY(check.out.contains(QString("%1:").arg(cell::block_checksum)));  // New: up to the checksum
  }

  // The version printed is the one the build defines, not a copy of it.
  void versionIsTheBuildsOne() {
    const Run r = QuarnctlBench().run({"--version"});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, QString("quarnctl " QUARN_VERSION "\n"));
  }

  // Three units on one port: the emulator is restarted behind a symbolic
  // link for each new unit; the second one leaves cell 10 unacknowledged.
  // The same unit connected twice is refused and prompted for again.
  void batchOfThreeWithOneFailure() {
    QuarnctlBench bench;
    std::unique_ptr<Emulator> unit = std::make_unique<Emulator>();
    QVERIFY(bench.cells(unit->path(), "a.json"));
    const QString link = bench.file("port");
    QVERIFY(QFile::link(unit->path(), link));
    const auto replace_unit = [&](const QStringList& faults) {
      unit.reset();
      unit = std::make_unique<Emulator>(faults);
      QFile::remove(link);
      return QFile::link(unit->path(), link);
    };

    QProcess batch;
    batch.setProcessEnvironment(bench.environment());
    batch.start(QStringLiteral(QUARNCTL_PATH), {"batch", bench.file("a.json"), "--code-from", "500", "--count", "3",
                                                "--port", link, "--report", bench.file("r.csv")});
    batch.setReadChannel(QProcess::StandardError);  // the prompts
    QString err;
    int prompts_answered = 0;
    const auto answer_prompt = [&]() {
      while (err.count("Collegare il trasmettitore") <= prompts_answered) {
        if (!batch.waitForReadyRead(patience_ms)) return false;
        err += QString::fromUtf8(batch.readAllStandardError());
      }
      ++prompts_answered;
      return true;
    };
    QVERIFY(answer_prompt());
    batch.write("\n");                                 // unit 1
    QVERIFY(answer_prompt());
    batch.write("\n");                                 // unit 1 again
    QVERIFY(answer_prompt());
    QVERIFY(err.contains("appena programmato"));
    QVERIFY(replace_unit({"--no-ack-from", "10"}));
    batch.write("\n");                                 // unit 2
    QVERIFY(answer_prompt());
    QVERIFY(replace_unit({}));
    batch.write("\n");                                 // unit 3
    batch.closeWriteChannel();
    QVERIFY(batch.waitForFinished(patience_ms));
    QCOMPARE(batch.exitCode(), 5);
    const QStringList lines = QString::fromUtf8(batch.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].contains(",500,OK,62"), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(",501,TIME OUT cella 10,0"), qPrintable(lines[1]));
    QVERIFY2(lines[2].contains(",502,OK,62"), qPrintable(lines[2]));
    QFile csv(bench.file("r.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.mid(1), lines);
    const auto last = bench.cells(link, "last.json");
    QVERIFY(last);
    QCOMPARE(load_settings_file(bench.file("last.json")).file->settings.code, std::string("502"));
  }
};

QTEST_GUILESS_MAIN(TestQuarnctl)
#include "test_quarnctl.moc"
