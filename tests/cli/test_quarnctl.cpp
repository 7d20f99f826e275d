// quarnctl as a technician runs it: the built program against quarn-emulator
// on a pseudo-terminal (line unpaced), its exit codes, its messages and what
// the device holds afterwards.

#include "config/factory_defaults.h"
#include "config/cell_map.h"
#include "documents/backup_store.h"
#include "documents/settings_file.h"
#include "tests/link/file_size_limit.h"
#include "tests/link/named_pipe.h"
#include "tests/link/unusable_paths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include <csignal>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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
    return waitForLog([&](const QString& log) { return log.count(text) >= times; });
  }
  bool waitForLog(const std::function<bool(const QString&)>& seen) {
    process_.setReadChannel(QProcess::StandardError);
    const QDeadlineTimer deadline(patience_ms);
    while (!seen(log())) {
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
    if (in_child) p.setChildProcessModifier(in_child);
    p.start(program, arguments);
    p.write(input);
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

  // The device's cells through quarnctl read, saved to a file.
  std::optional<MemoryRead> cells(const QString& port, const QString& name) const {
    const Run r = run({"read", "--port", port, "-o", file(name)});
    if (r.exit != 0) return std::nullopt;
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
  std::function<void()> in_child;  // run in quarnctl's process before it starts
  QByteArray input;                // quarnctl's standard input
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

// The cells a read got, from its trace: quarnctl saves no read it does not
// trust, such as one of a unit left half written.
MemoryRead traced_cells(const QString& trace) {
  const QStringList bytes = traced_bytes(trace);
  MemoryRead cells{};
  for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
    if (bytes[i] == "> 52" && bytes[i + 1].startsWith("> ") && bytes[i + 2].startsWith("< ")) {
      cells.at(std::size_t(bytes[i + 1].mid(2).toInt(nullptr, 16))) = std::uint8_t(bytes[i + 2].mid(2).toInt(nullptr, 16));
    }
  }
  return cells;
}

QString hex(int byte) { return QString::number(byte, 16).rightJustified(2, '0').toUpper(); }

bool in_packets(int address) {
  return (address >= cell::alarm_packet && address < cell::alarm_packet + packet_size) ||
         (address >= cell::battery_packet && address < cell::battery_packet + packet_size);
}

// Answers a running batch's prompts on its standard input.
struct BatchPrompts {
  explicit BatchPrompts(QProcess& batch) : batch(batch) { batch.setReadChannel(QProcess::StandardError); }
  // Waits for the next prompt.
  bool waitForPrompt() {
    while (err.count("Collegare il trasmettitore") <= answered) {
      if (!batch.waitForReadyRead(patience_ms)) return false;
      err += QString::fromUtf8(batch.readAllStandardError());
    }
    return true;
  }
  bool answer() {
    if (!waitForPrompt()) return false;
    ++answered;
    return batch.write("\n") == 1;
  }
  QProcess& batch;
  QString err;  // standard error so far
  int answered = 0;
};

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

  // A trace that cannot be opened stops the command before the port opens
  // (one that stops taking lines: aSaveCutShortIsSaid). Exit 2, one line
  // naming the file and the reason.
  void anUnwritableTraceIsAUsageError_data() {
    QTest::addColumn<QString>("trace");  // %1: the test's folder
    QTest::addColumn<bool>("runs");
    QTest::newRow("no such folder") << "%1/no-folder/t.txt" << false;
  }
  void anUnwritableTraceIsAUsageError() {
    QFETCH(QString, trace);
    QFETCH(bool, runs);
    Emulator emulator;
    QuarnctlBench bench;
    const QString path = trace.contains("%1") ? trace.arg(bench.dir.path()) : trace;
    const Run r = bench.run({"read", "--port", emulator.path(), "-o", bench.file("a.json"), "--trace", path});
    QCOMPARE(r.exit, 2);
    QVERIFY2(r.err.startsWith("quarnctl: impossibile scrivere la traccia " + path + ": ") && r.err.count('\n') == 1,
             qPrintable(r.err));
    QCOMPARE(load_settings_file(bench.file("a.json")).file.has_value(), runs);
  }

  // A disk that fills part-way through a file quarnctl saves (its file size
  // limited, see file_size_limit.h): the file and the system's reason are
  // said, the exit is not 0, and no cut settings file is left; a batch still
  // counts the unit it programmed.
  void aSaveCutShortIsSaid_data() {
    QTest::addColumn<QStringList>("arguments");  // %1: the test's folder, %2: the port
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("last");  // the last line on standard error
    QTest::newRow("read -o") << QStringList{"read", "--port", "%2", "-o", "%1/a.json"} << 500 << 3
                             << "quarnctl: Impossibile salvare \"%1/a.json\": File troppo grande";
    QTest::newRow("trace") << QStringList{"read", "--port", "%2", "--trace", "%1/t.txt"} << 700 << 2
                           << "quarnctl: impossibile scrivere la traccia %1/t.txt: File troppo grande";
    QTest::newRow("batch report")
        << QStringList{"batch", "%1/b.json", "--code-from", "5", "--count", "1", "--no-backup", "--port", "%2",
                       "--report", "%1/r.csv"}
        << 300 << 2 << "quarnctl: Impossibile scrivere il rapporto %1/r.csv: File troppo grande";
  }
  void aSaveCutShortIsSaid() {
    QFETCH(QStringList, arguments);
    QFETCH(int, limit);
    QFETCH(int, exit);
    QFETCH(QString, last);
    Emulator emulator;
    QuarnctlBench bench;
    QVERIFY(bench.cells(emulator.path(), "b.json"));
    for (QString& argument : arguments) argument.replace("%1", bench.dir.path()).replace("%2", emulator.path());
    if (arguments.front() == "batch") {
      // Earlier rows fill the report to just below the limit, which must
      // leave room for the port's lock file.
      QFile report(bench.file("r.csv"));
      const QByteArray heading = "ora,codice,banda,frequenza,esito,celle_verificate,motivo\r\n";
      QVERIFY(report.open(QIODevice::WriteOnly) && report.write(heading + QByteArray(limit - 10 - heading.size(), 'x')) > 0);
    }
    bench.in_child = [limit] { test::limit_file_size(rlim_t(limit)); };
    bench.input = "\n";
    const Run r = bench.run(arguments);
    QVERIFY2(r.exit == exit, qPrintable(r.err));
    QVERIFY2(r.err.endsWith(last.arg(bench.dir.path()) + '\n'), qPrintable(r.err));
    if (arguments.front() == "batch") QVERIFY2(r.err.contains("Lotto: 1 unità programmate, 0 fallite"), qPrintable(r.err));
    QCOMPARE(QDir(bench.dir.path()).entryList({"*.json"}, QDir::Files), QStringList{"b.json"});
  }

  // A save onto a pipe or a device is refused with exit 3 and leaves it what
  // it was: an atomic save, run as root, renamed a regular file over the
  // device node, and a report opened on a pipe held the batch for ever.
  void aSaveOntoWhatIsNoRegularFileIsRefused_data() {
    QTest::addColumn<QStringList>("arguments");  // %1: the target, %2: the port, %3: a settings file
    QTest::addColumn<QString>("target");         // "pipe": a named pipe the test makes
    const QStringList read_o{"read", "--port", "%2", "-o", "%1"};
    const QStringList trace{"read", "--port", "%2", "--trace", "%1"};
    const QStringList report{"batch", "%3", "--code-from", "5", "--count", "1", "--port", "%2", "--report", "%1"};
    for (const QString target : {"pipe", "/dev/null", "/dev/full"}) {
      QTest::addRow("read -o %s", qPrintable(target)) << read_o << target;
      QTest::addRow("trace %s", qPrintable(target)) << trace << target;
      QTest::addRow("report %s", qPrintable(target)) << report << target;
    }
  }
  void aSaveOntoWhatIsNoRegularFileIsRefused() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    Emulator emulator;
    QuarnctlBench bench;
    QVERIFY(bench.cells(emulator.path(), "a.json"));
    const test::NamedPipe pipe(bench.file("pipe"), std::chrono::seconds(30));
    QVERIFY(pipe.made());
    const QString path = target == "pipe" ? pipe.path() : target;
    for (QString& argument : arguments) {
      argument.replace("%1", path).replace("%2", emulator.path()).replace("%3", bench.file("a.json"));
    }
    bench.input = "\n";
    const Run r = bench.run(arguments);
    QVERIFY2(r.exit == 3, qPrintable(r.err));
    QVERIFY2(r.err.endsWith(QString("quarnctl: Impossibile salvare \"%1\": non è un file regolare\n").arg(path)),
             qPrintable(r.err));
    struct stat after {};
    QCOMPARE(::stat(path.toLocal8Bit().constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, target == "pipe" ? S_IFIFO : S_IFCHR);
  }

  // A read out of step, or of a memory whose checksum does not match, is
  // neither saved (over a good file), printed as JSON nor shown.
  void anUntrustedReadKeepsNothing_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("output");
    QTest::newRow("out of step, -o") << QStringList{"--extra-after-read", "5"} << QStringList{"-o"};
    QTest::newRow("wrong checksum, -o") << QStringList{"--wrong-checksum"} << QStringList{"-o"};
    QTest::newRow("out of step, --json") << QStringList{"--extra-after-read", "5"} << QStringList{"--json"};
    QTest::newRow("out of step, table") << QStringList{"--extra-after-read", "5"} << QStringList{};
  }
  void anUntrustedReadKeepsNothing() {
    QFETCH(QStringList, faults);
    QFETCH(QStringList, output);
    QuarnctlBench bench;
    {
      const Emulator good({"--band", "vhf"});  // another unit: its file differs from any read below
      QVERIFY(bench.cells(good.path(), "kept.json"));
    }
    QFile kept(bench.file("kept.json"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    const QByteArray before = kept.readAll();
    kept.close();
    Emulator emulator(faults);
    if (output == QStringList{"-o"}) output << kept.fileName();
    const Run r = bench.run(QStringList{"read", "--port", emulator.path()} + output);
    QCOMPARE(r.exit, 6);
    QCOMPARE(r.err, QString("Errore di Lettura nei Parametri, Riprovare \n"));
    QCOMPARE(r.out, QString());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before);
    QCOMPARE(QDir(bench.dir.path()).entryList(QDir::Files), QStringList{"kept.json"});
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
    QVERIFY2(r.err.startsWith("2 Permesso negato: " + emulator.path() + '\n'), qPrintable(r.err));
  }

  // A port that will not open, for an ordinary user: exit 4 at once, and the
  // port error names the device, the system's reason in Italian. A port that
  // another program holds (with QSerialPort's lock file, or a terminal in
  // exclusive mode without one) is said to be in use rather than a matter of
  // permissions.
  void aPortThatWillNotOpenIsNamed_data() {
    QTest::addColumn<int>("path_row");  // in unusable_paths(); -1: the emulator's device
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<QString>("error");  // %1: the device
    const std::map<QString, QString> italian{
        {"missing path", "1 File o cartella non trovati"},
        {"dangling symbolic link", "1 File o cartella non trovati"},
        {"regular file", "7 Il dispositivo non è una porta seriale"},
        {"/dev/null", "7 Il dispositivo non è una porta seriale"},
        {"directory", "8 È una cartella"},
    };
    int row = 0;
    for (const quarn::test::UnusablePath& path : quarn::test::unusable_paths()) {
      QVERIFY2(italian.count(path.name), path.name);
      QTest::newRow(path.name) << row++ << Holder::None << italian.at(path.name) + ": %1";
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
                             << "Confermate \\d+ celle prima dell'errore\nCopia di sicurezza: [^\n]+\\.json\n";
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

  // A stop signal while the cells are written: the first lets the run end
  // (here it waits for a late acknowledgement of cell 20, then goes on), the
  // second stops it at once (cell 20 is never acknowledged, and the second
  // signal comes before its 4 s run out). Either way the
  // unit gets its "E" and quarnctl exits with 128 + the signal's number.
  void aStopSignalWhileWriting_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("times");
    QTest::newRow("SIGINT lets the run end") << SIGINT << "SIGINT" << 1;
    QTest::newRow("SIGHUP lets the run end") << SIGHUP << "SIGHUP" << 1;
    QTest::newRow("SIGINT twice stops it") << SIGINT << "SIGINT" << 2;
    QTest::newRow("SIGTERM twice stops it") << SIGTERM << "SIGTERM" << 2;
  }
  void aStopSignalWhileWriting() {
    QFETCH(int, signal);
    QFETCH(QString, name);
    QFETCH(int, times);
    QuarnctlBench bench;
    {
      const Emulator source;
      QVERIFY(bench.cells(source.path(), "a.json"));
    }
    // The late "K" comes half-way through quarnctl's 4 s, so the first signal
    // finds the run waiting for it and the run then ends complete.
    Emulator device(times == 1 ? QStringList{"--late-ack-at", "20", "--late-delay", "2000"}
                               : QStringList{"--no-ack-from", "20"},
                    Emulator::Line::Paced);
    QProcess quarnctl;
    quarnctl.setProcessEnvironment(bench.environment());
    quarnctl.start(QStringLiteral(QUARNCTL_PATH),
                   {"program", bench.file("a.json"), "--set", "code=4321", "--port", device.path()});
    quarnctl.closeWriteChannel();
    static const QRegularExpression write_20("PC -> TX  57 'W'\n[^\n]*PC -> TX  14\n");
    QVERIFY(device.waitForLog([](const QString& log) { return log.contains(write_20); }));
    QCOMPARE(::kill(pid_t(quarnctl.processId()), signal), 0);
    QString err;
    if (times == 2) {
      quarnctl.setReadChannel(QProcess::StandardError);
      while (!err.contains("un secondo segnale")) {
        QVERIFY2(quarnctl.waitForReadyRead(patience_ms), qPrintable(err));
        err += QString::fromUtf8(quarnctl.readAllStandardError());
      }
      QCOMPARE(::kill(pid_t(quarnctl.processId()), signal), 0);
    }
    QVERIFY(quarnctl.waitForFinished(patience_ms));
    err += QString::fromUtf8(quarnctl.readAllStandardError());
    QCOMPARE(quarnctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quarnctl.exitCode(), 128 + signal);
    QVERIFY2(err.endsWith("Interrotto da " + name + "\n"), qPrintable(err));
    QVERIFY(device.waitForLog("PC -> TX  45 'E'", 1));
    if (times == 1) {
      QCOMPARE(QString::fromUtf8(quarnctl.readAllStandardOutput()), QString("Programmazione verificata: 62 celle\n"));
      return;
    }
    QVERIFY2(err.contains("Scrittura fermata: confermate 20 celle (0 - 19)\n"), qPrintable(err));
    const auto backup = QRegularExpression("Copia di sicurezza: ([^\n]+)\n").match(err);
    QVERIFY2(backup.hasMatch() && QFile::exists(backup.captured(1)), qPrintable(err));
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

  // A file that does not load: one line naming it and why, the system's
  // reason in Italian; program opens no port.
  void aFileThatDoesNotLoadIsRefused_data() {
    QTest::addColumn<QByteArray>("contents");  // none: no file at all
    QTest::addColumn<QString>("reason");       // %1: the file
    QTest::newRow("broken") << QByteArray("{\"format\": \"quarn-settings\"") << "";
    QTest::newRow("missing") << QByteArray() << "Impossibile aprire \"%1\": File o cartella non trovati";
  }
  void aFileThatDoesNotLoadIsRefused() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QuarnctlBench bench;
    QFile f(bench.file("site.json"));
    if (!contents.isEmpty()) QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size());
    f.close();
    for (const QStringList& command : {QStringList{"program", f.fileName(), "--port", "/dev/null-no-such"},
                                       QStringList{"check", f.fileName()}}) {
      const Run r = bench.run(command);
      QCOMPARE(r.exit, 3);
      QVERIFY2(r.err.startsWith("quarnctl: " + f.fileName() + ": " + reason.arg(f.fileName())) && r.err.count('\n') == 1,
               qPrintable(r.err));
    }
  }

  // --set texts are read as a file's (whose own rows are the settings file's
  // tests), and a value is refused with the message the window's Programma
  // shows for it: `check` refuses, or gives the cells that a plain --set gives.
  void checkReadsTextsStrictly_data() {
    QTest::addColumn<QStringList>("edits");  // on the file's text: pattern, replacement, ...
    QTest::addColumn<QStringList>("sets");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");  // in the error output; none when accepted
    QTest::addColumn<QStringList>("same_cells_as");
    const auto set = [](const char* assignment) { return QStringList{"--set", assignment}; };
    const auto not_a_number = [](const char* key, const char* text, const char* character) {
      return QString("Chiave \"%1\": \"%2\" non è un numero (il campo non accetta \"%3\")").arg(key, text, character);
    };
    QTest::newRow("decimal comma, --set") << QStringList{} << set("frequency=433,92") << 0 << "" << set("frequency=433.92");
    QTest::newRow("JSON number, file") << QStringList{"\"code\": \"1\"", "\"code\": 1234"} << QStringList{} << 0 << ""
                                       << set("code=1234");
    QTest::newRow("letter O for zero") << QStringList{} << set("code=12O4") << 3 << not_a_number("code", "12O4", "O")
                                       << QStringList{};
    QTest::newRow("leading blank") << QStringList{} << set("robbery_time= 30") << 3
                                   << not_a_number("robbery_time", " 30", " ") << QStringList{};
    QTest::newRow("key twice, --set") << QStringList{} << set("code=1") + set("code=2") << 2
                                      << "--set: la chiave \"code\" è data due volte (\"1\" e \"2\")" << QStringList{};
    QTest::newRow("code over its range") << QStringList{} << set("code=70000") << 3
                                         << "Errore Codice Quarn Fuori Range (0 - 65535)\nNulla inviato" << QStringList{};
    QTest::newRow("Mono code over 1023") << QStringList{} << set("code_mode=mono") + set("code=1024") << 3
                                         << "Errore Codice Quarn - Mono  Fuori Range (1 - 1023)" << QStringList{};
    QTest::newRow("alarm input 9") << QStringList{} << set("alarm_input=9") << 3
                                   << "Errore N° Ing di All Fuori Range (1 - 8)" << QStringList{};
    QTest::newRow("VHF frequency, UHF file") << QStringList{} << set("frequency=161") << 3 << "Frequenza Fuori Banda !"
                                             << QStringList{};
    // The window's options: Mono with repeater code 1 to 63 selects low
    // tones, an Old unit stays in Quarn mode.
    QTest::newRow("Mono, repeater 12, high tones") << QStringList{} << set("code_mode=mono") + set("repeater_code=12")
                                                  << 0 << "" << set("code_mode=mono") + set("repeater_code=12") + set("tones=low");
    QTest::newRow("Old unit, Mono")
        << QStringList{"\"generation\": \"new\"", "\"generation\": \"old\"", "\"cells\": \\[[^\\]]*\\]", "\"cells\": null"}
        << set("code_mode=mono") + set("code=5000") << 0 << "" << QStringList{};
    QTest::newRow("VHF frequency, file of no band or cells")
        << QStringList{"\"band\": \"uhf\"", "\"band\": \"unknown\"", "\"cells\": \\[[^\\]]*\\]", "\"cells\": null"}
        << set("frequency=161") << 0 << "" << QStringList{};
  }
  void checkReadsTextsStrictly() {
    QFETCH(QStringList, edits);
    QFETCH(QStringList, sets);
    QFETCH(int, exit);
    QFETCH(QString, message);
    QFETCH(QStringList, same_cells_as);
    QuarnctlBench bench;
    const MemoryImage factory = factory_default_cells(Band::Uhf, Generation::New);
    MemoryRead cells{};
    std::copy_n(factory.begin(), read_count, cells.begin());
    const QString plain = QString::fromUtf8(to_json(settings_file_of_read(cells)));
    QString text = plain;
    for (qsizetype i = 0; i + 1 < edits.size(); i += 2) text.replace(QRegularExpression(edits[i]), edits[i + 1]);
    for (const auto& [name, contents] : {std::pair{"plain.json", plain}, {"site.json", text}}) {
      QFile file(bench.file(name));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents.toUtf8()) > 0);
    }

    const Run r = bench.run(QStringList{"check", bench.file("site.json")} + sets);
    QCOMPARE(r.exit, exit);
    if (message.isEmpty()) QCOMPARE(r.err, QString());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (!same_cells_as.isEmpty()) {
      const Run reference = bench.run(QStringList{"check", bench.file("plain.json")} + same_cells_as);
      QCOMPARE(reference.exit, 0);
      QCOMPARE(r.out, reference.out);
    }
  }

  // A named pipe is refused before it is opened, which would wait for a
  // writer: check and program end at once.
  void aNamedPipeIsRefusedUnopened() {
    QuarnctlBench bench;
    const test::NamedPipe pipe(bench.file("pipe.json"), std::chrono::seconds(10));
    QVERIFY(pipe.made());
    for (const QStringList& command : {QStringList{"check", pipe.path()},
                                       QStringList{"program", pipe.path(), "--port", "/dev/null-no-such"}}) {
      const Run r = bench.run(command);
      QCOMPARE(r.exit, 3);
      QCOMPARE(r.err, QString("quarnctl: %1: Impossibile aprire \"%1\": non è un file regolare\n").arg(pipe.path()));
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
    // The unit is left half written: the message names the memory as it was.
    const auto backup = QRegularExpression("\nCopia di sicurezza: ([^\n]+)\n$").match(r.err);
    QVERIFY2(backup.hasMatch() && QFile::exists(backup.captured(1)), qPrintable(r.err));
    // Cells 0 to 9 stored without the checksum that cell 61 would have
    // brought: the read reports its error.
    QCOMPARE(bench.run({"read", "--port", emulator.path(), "--trace", bench.file("after.txt")}).exit, 6);
    const MemoryRead after = traced_cells(bench.file("after.txt"));
    QCOMPARE(int(after[cell::robbery_time]), 77);
    for (int a = 10; a < read_count; ++a) QCOMPARE(after[a], (*before)[a]);
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
    QVERIFY2(r.err.endsWith("Usare --no-backup per scrivere senza copia di sicurezza.\n"), qPrintable(r.err));
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
    QCOMPARE(r.err, QString("Nessuna risposta dal trasmettitore su Com 1 (%1)\n").arg(emulator.path()));
  }

  // Loading a factory set verifies it; the test transmission sends "Q" after
  // the handshake and nothing else.
  void defaultsAndTestTransmission() {
    Emulator emulator;
    QuarnctlBench bench;
    const Run defaults = bench.run({"defaults", "vhf", "--old", "--force", "--port", emulator.path()});
    QCOMPARE(defaults.exit, 0);
    const auto cells = bench.cells(emulator.path(), "vhf.json");
    QVERIFY(cells);
    const MemoryImage expected = factory_default_cells(Band::Vhf, Generation::Old);
    QVERIFY(std::equal(cells->begin(), cells->end(), expected.begin()));
    const Run tx = bench.run({"test-tx", "--port", emulator.path()});
    QCOMPARE(tx.exit, 0);
    QTRY_VERIFY(emulator.log().contains("'Q'"));
  }

  // A factory set of another band or type than the unit just read is
  // refused unsent unless --force, as program refuses a file of another
  // band; a read out of step tells nothing and refuses nothing.
  void defaultsKeepTheUnitsKind_data() {
    QTest::addColumn<QStringList>("unit");  // quarn-emulator's options
    QTest::addColumn<QStringList>("set");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");  // the start of standard error
    const QString refusal = "Il trasmettitore letto è %1: i valori di fabbrica %2 non sono stati caricati "
                            "(--force per caricarli comunque)\n";
    QTest::newRow("UHF New, vhf") << QStringList{} << QStringList{"vhf"} << 3 << refusal.arg("UHF New", "VHF New");
    QTest::newRow("UHF New, uhf --old") << QStringList{} << QStringList{"uhf", "--old"} << 3
                                        << refusal.arg("UHF New", "UHF Old");
    QTest::newRow("VHF Old, vhf") << QStringList{"--band", "vhf", "--old"} << QStringList{"vhf"} << 3
                                  << refusal.arg("VHF Old", "VHF New");
    QTest::newRow("UHF New, vhf --force") << QStringList{} << QStringList{"vhf", "--force"} << 0 << "";
    QTest::newRow("UHF New, uhf") << QStringList{} << QStringList{"uhf"} << 0 << "";
    QTest::newRow("read out of step, vhf") << QStringList{"--extra-after-read", "5"} << QStringList{"vhf"} << 6
                                           << "Errore di Lettura";
  }
  void defaultsKeepTheUnitsKind() {
    QFETCH(QStringList, unit);
    QFETCH(QStringList, set);
    QFETCH(int, exit);
    QFETCH(QString, err);
    Emulator emulator(unit);
    QuarnctlBench bench;
    const Run r = bench.run(QStringList{"defaults"} + set + QStringList{"--port", emulator.path()});
    QVERIFY2(r.exit == exit, qPrintable(r.err));
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.startsWith(err), qPrintable(r.err));
    QVERIFY(emulator.waitForLog("PC -> TX  45 'E'", 1));
    QCOMPARE(emulator.log().contains("'W'"), exit != 3);
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

    const Run check = bench.run({"check", other});
    QCOMPARE(check.exit, 0);
    QVERIFY(check.out.startsWith(" 0:  99\n"));
    QVERIFY(check.out.contains(QString("%1:").arg(cell::block_checksum)));  // New: up to the checksum
  }

  // A command line quarnctl cannot obey: exit 2, one line with the program's
  // name and the reason, and nothing done.
  void aCommandLineThatIsRefusedSaysWhy_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("read --old") << QStringList{"read", "--old"} << "--old non vale per read (quarnctl read --help)";
    QTest::newRow("ports extra") << QStringList{"ports", "extra"}
                                 << "ports: argomento non previsto \"extra\" (quarnctl ports --help)";
  }
  void aCommandLineThatIsRefusedSaysWhy() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const Run r = QuarnctlBench().run(arguments);
    QCOMPARE(r.exit, 2);
    QCOMPARE(r.err, "quarnctl: " + error + '\n');
    QCOMPARE(r.out, QString());
  }

  // The version printed is the one the build defines, not a copy of it.
  void versionIsTheBuildsOne() {
    const Run r = QuarnctlBench().run({"--version"});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, QString("quarnctl " QUARN_VERSION "\n"));
  }

  // Three units on one port: the emulator is restarted behind a symbolic
  // link for each new unit; the second one leaves cell 10 unacknowledged.
  // The same unit connected twice is refused and prompted for again. The
  // report is CSV with the separator asked for, quoting a reason that holds it.
  void batchOfThreeWithOneFailure() {
    QuarnctlBench bench;
    std::unique_ptr<Emulator> unit = std::make_unique<Emulator>();
    QVERIFY(bench.cells(unit->path(), "a.json"));
    const QString frequency = QString::fromStdString(load_settings_file(bench.file("a.json")).file->settings.frequency);
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
                                                "--port", link, "--report", bench.file("r.csv"), "--separator", ";"});
    BatchPrompts prompts(batch);
    QVERIFY(prompts.answer());                         // unit 1
    QVERIFY(prompts.answer());                         // unit 1 again
    QVERIFY(prompts.waitForPrompt());
    QVERIFY(prompts.err.contains("appena programmato"));
    QVERIFY(replace_unit({"--no-ack-from", "10"}));
    QVERIFY(prompts.answer());                         // unit 2
    QVERIFY(prompts.waitForPrompt());
    QVERIFY(replace_unit({}));
    QVERIFY(prompts.answer());                         // unit 3
    batch.closeWriteChannel();
    QVERIFY(batch.waitForFinished(patience_ms));
    QCOMPARE(batch.exitCode(), 5);
    const QStringList lines = QString::fromUtf8(batch.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QString unit_columns = ";UHF;" + frequency + ";";
    QVERIFY2(lines[0].endsWith(";500" + unit_columns + "OK;62;"), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(";501" + unit_columns + "fallita;0;\"Errore TIME OUT / Nessuna conferma (K) per la "
                               "cella 10; confermate 10 celle (0 - 9) / Copia di sicurezza: ") &&
                 lines[1].endsWith(".json\""),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].endsWith(";502" + unit_columns + "OK;62;"), qPrintable(lines[2]));
    QFile csv(bench.file("r.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(csv.readAll()),
             "ora;codice;banda;frequenza;esito;celle_verificate;motivo\r\n" + lines.join("\r\n") + "\r\n");
    const QString err = prompts.err + QString::fromUtf8(batch.readAllStandardError());
    QVERIFY2(err.endsWith("Lotto: 2 unità programmate, 1 fallite, 0 non raggiunte\n"), qPrintable(err));
    const auto last = bench.cells(link, "last.json");
    QVERIFY(last);
    QCOMPARE(load_settings_file(bench.file("last.json")).file->settings.code, std::string("502"));
  }

  // The input ends after one unit of three: the batch says what it did and
  // what it did not reach, and does not end as if it had done them all.
  void batchInputEndingBeforeTheCount() {
    QuarnctlBench bench;
    Emulator unit;
    QVERIFY(bench.cells(unit.path(), "a.json"));
    QProcess batch;
    batch.setProcessEnvironment(bench.environment());
    batch.start(QStringLiteral(QUARNCTL_PATH), {"batch", bench.file("a.json"), "--code-from", "700", "--count", "3",
                                                "--port", unit.path()});
    BatchPrompts prompts(batch);
    QVERIFY(prompts.answer());
    QVERIFY(prompts.waitForPrompt());
    batch.closeWriteChannel();
    QVERIFY(batch.waitForFinished(patience_ms));
    const QString err = prompts.err + QString::fromUtf8(batch.readAllStandardError());
    QCOMPARE(batch.exitCode(), 2);
    QVERIFY2(err.endsWith("Fine dell'input prima di 3 unità\nLotto: 1 unità programmate, 0 fallite, 2 non raggiunte\n"),
             qPrintable(err));
  }

  // Started with its standard input closed, a batch takes the input as
  // ended: a port opened on descriptor 0 answered the prompt with the
  // device's bytes, and the unit connected was programmed unasked.
  void batchWithItsInputClosed_data() {
    QTest::addColumn<QStringList>("count");
    QTest::addColumn<QString>("said");
    QTest::newRow("--count 1") << QStringList{"--count", "1"}
                               << "Fine dell'input prima di 1 unità\nLotto: 0 unità programmate, 0 fallite, 1 non raggiunte\n";
    QTest::newRow("no --count") << QStringList{}
                                << "Fine dell'input prima della prima unità\nLotto: 0 unità programmate, 0 fallite, 0 non raggiunte\n";
  }
  void batchWithItsInputClosed() {
    QFETCH(QStringList, count);
    QFETCH(QString, said);
    QuarnctlBench bench;
    Emulator unit;
    QVERIFY(bench.cells(unit.path(), "a.json"));
    bench.in_child = [] { ::close(STDIN_FILENO); };
    const Run r = bench.run(QStringList{"batch", bench.file("a.json"), "--code-from", "9", "--port", unit.path()} + count);
    QVERIFY2(r.exit == 2, qPrintable(r.err));
    QVERIFY2(r.err.endsWith(said), qPrintable(r.err));
    QVERIFY(!unit.log().contains("'W'"));
  }

  // A backups folder that cannot be listed is not an empty one: why is
  // said, with exit 3, where "Nessun backup" with exit 0 hid it.
  void anUnreadableBackupsFolderIsSaid_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file in its place") << "file" << "Non è una cartella";
    QTest::newRow("a loop of symbolic links") << "loop" << "Troppi livelli di collegamenti simbolici";
    QTest::newRow("no permission") << "mode 000" << "Permesso negato";
  }
  void anUnreadableBackupsFolderIsSaid() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QuarnctlBench bench;
    const QString folder = bench.file("data/Quelmora/Configuratore Per Quarn/backups");
    QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
    std::optional<QStringList> user = QStringList{};
    if (kind == "file") {
      QFile file(folder);
      QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == "loop") {
      QVERIFY(QFile::link(folder, folder));
    } else {
      user = as_ordinary_user();
      if (!user) QSKIP("setpriv is not installed");
      QVERIFY(QDir().mkdir(folder) && QFile::setPermissions(folder, {}));
    }
    const Run r = user->isEmpty() ? bench.run({"backups"}) : bench.runThrough(*user, {"backups"});
    QCOMPARE(r.exit, 3);
    QCOMPARE(r.err, QString("quarnctl: Impossibile leggere la cartella dei backup \"%1\": %2\n").arg(folder, reason));
    QCOMPARE(r.out, QString());
  }

  // The backups, newest first with what each holds; one from a read out of
  // step says so in the list and when it is programmed back.
  void backupsListedAndRestored() {
    QuarnctlBench bench;
    BackupStore store(bench.file("data/Quelmora/Configuratore Per Quarn/backups"));
    struct Saved {
      QString code;
      Band band;
      Generation generation;
      bool out_of_step;
      QDateTime at;
      QString path;
    };
    std::vector<Saved> saved{
        {"11", Band::Uhf, Generation::New, false, QDateTime(QDate(2026, 1, 2), QTime(10, 0), QTimeZone::utc()), {}},
        {"22", Band::Vhf, Generation::Old, false, QDateTime(QDate(2026, 3, 4), QTime(9, 30), QTimeZone::utc()), {}},
        {"33", Band::Uhf, Generation::New, true, QDateTime(QDate(2026, 2, 3), QTime(8, 15), QTimeZone::utc()), {}},
    };
    for (Saved& s : saved) {
      MemoryRead cells{};
      const MemoryImage factory = factory_default_cells(s.band, s.generation);
      std::copy_n(factory.begin(), read_count, cells.begin());
      SettingsFile file = settings_file_of_read(cells, s.out_of_step);
      file.settings.code = s.code.toStdString();
      file.saved_at = s.at;
      QCOMPARE(store.save(file, &s.path), std::nullopt);
    }
    const Run list = bench.run({"backups"});
    QCOMPARE(list.exit, 0);
    const QStringList lines = list.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);  // a heading, then the backups
    for (const auto& [line, index] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 0}}) {
      const Saved& s = saved[std::size_t(index)];
      QCOMPARE(lines[line], QString("%1  %2  %3  %4  %5  %6")
                                .arg(s.at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), s.code.leftJustified(6),
                                     QString(s.band == Band::Uhf ? "UHF" : "VHF").leftJustified(5),
                                     QString(s.generation == Generation::New ? "New" : "Old").leftJustified(4),
                                     QString(s.out_of_step ? "fuori passo" : "in passo").leftJustified(11), s.path));
    }
    Emulator emulator;
    const Run program = bench.run({"program", saved[2].path, "--port", emulator.path()});
    QCOMPARE(program.exit, 0);
    QVERIFY2(program.err.contains("lettura fuori passo"), qPrintable(program.err));
  }
};

QTEST_GUILESS_MAIN(TestQuarnctl)
#include "test_quarnctl.moc"
