// The fault matrix through quarnctl: the built program, run as a technician
// runs it, against the emulated transmitter on a pseudo-terminal served by
// this process (line unpaced; quarnctl's time-outs at their 4 s, run out at
// once where the device leaves a step unanswered), every
// fault the emulator knows from power-on against every command that talks to
// a transmitter. Each case checks the exit code and the messages, the device
// memory against what was acknowledged, the backup before the first write,
// and that the next quarnctl call programs once the fault is gone. The
// observed table is written as fault-matrix-quarnctl.md beside the program.

#include "emulator/pty_transmitter.h"
#include "documents/backup_store.h"
#include "documents/operator_texts.h"
#include "documents/settings_file.h"
#include "tests/matrix/fault_rows.h"
#include "tests/matrix/matrix_table.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

using namespace quarn;
using namespace quarn::test;

namespace {

// A late "K" arrives after the case is over: the time-out has come long before.
constexpr auto late_reply = std::chrono::minutes(10);
// No fault falls on a sequence's last reply, which is all the guard after it
// listens for: a short guard sees the same on a busy machine as a long one.
constexpr int reply_guard_ms = 5;
// How long one quarnctl run may take at most on a loaded machine; reached
// only when something is wrong.
constexpr int patience_ms = 120'000;

const QString read_error = "Errore di Lettura nei Parametri, Riprovare ";
const QString nothing_sent = "Nulla inviato al trasmettitore";
const QString no_answer = "Nessuna risposta dal trasmettitore";
const QString port_failure = "Porta seriale Guasta o Mancante";
const QString checksum_note = "Somma di controllo della memoria errata: la programmazione la riscrive";

// Runs the event loop, which serves the pseudo-terminal, until the program ends.
bool wait_for_exit(QProcess& program, int timeout_ms) {
  QEventLoop loop;
  QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&program, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  if (program.state() != QProcess::NotRunning) loop.exec();
  return program.state() == QProcess::NotRunning;
}

struct Run {
  int exit = -1;
  QString out;
  QString err;
};

struct CliBench {
  CliBench(const MemoryImage& memory, const TransmitterFaults& faults)
      : transmitter(TransmitterModel(memory, faults), timing()), pty(transmitter) {
    pty.setLinkPath(dir.filePath("port"));
    pty_error = pty.open();
    MemoryRead cells{};
    std::copy_n(memory.begin(), read_count, cells.begin());
    file_error = save_settings_file(unitFile(), settings_file_of_read(cells));
  }
  static LineTiming timing() {
    LineTiming t;
    t.paced = false;
    t.late_reply = late_reply;
    return t;
  }

  // The unit's own settings, as a read of it before the fault saved them.
  QString unitFile() const { return dir.filePath("unit.json"); }
  QString backupFolder() const { return dir.filePath("data/Quelmora/Configuratore Per Quarn/backups"); }
  const MemoryImage& memory() const { return transmitter.model().memory(); }

  // quarnctl with the arguments, the device behind the link, while this
  // process serves it. A step the device leaves unanswered times out at once:
  // quarnctl takes a byte on its standard input for its time-out running out.
  Run run(QStringList arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dir.filePath("data"));  // backups stay in the test's folder
    env.insert("QUARNCTL_TIME_OUT_FD", "0");
    env.insert("QUARNCTL_REPLY_GUARD_MS", QString::number(reply_guard_ms));
    p.setProcessEnvironment(env);
    arguments << "--port" << pty.clientPath();
    const auto time_out = QObject::connect(&transmitter, &EmulatedTransmitter::stepUnanswered, &p, [&p] { p.write("t"); });
    p.start(QStringLiteral(QUARNCTL_PATH), arguments);
    const bool ended = wait_for_exit(p, patience_ms);
    QObject::disconnect(time_out);
    Run r;
    if (!ended) {
      p.kill();
      p.waitForFinished();
      return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }

  QTemporaryDir dir;
  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> pty_error;
  std::optional<FileError> file_error;
};

QStringList command_of(Operation operation, const CliBench& b) {
  switch (operation) {
    case Operation::Connect: return {"read", "-o", b.dir.filePath("read.json")};
    case Operation::ProgramNew:
    case Operation::ProgramOld:
      // The edit makes the writes change the device.
      return {"program", b.unitFile(), "--set", "code=1234", "--set", "robbery_time=99"};
    case Operation::DefaultsUhf: return {"defaults", "uhf"};
    // The unit is UHF: without --force the set of the other band is refused unsent.
    case Operation::DefaultsVhf: return {"defaults", "vhf", "--force"};
    case Operation::TestTransmission: return {"test-tx"};
  }
  return {};
}

// The command as the tables name it.
QString command_label(Operation operation, const CliBench& b) {
  const QStringList command = command_of(operation, b);
  switch (operation) {
    case Operation::ProgramNew: return "program (New unit)";
    case Operation::ProgramOld: return "program (Old unit)";
    case Operation::DefaultsUhf:
    case Operation::DefaultsVhf: return command.join(' ');
    case Operation::Connect:
    case Operation::TestTransmission: break;
  }
  return command.first();
}

// The memory a fault-free run of a writing command leaves on a fresh unit.
const MemoryImage& target(Operation op) {
  static std::map<Operation, MemoryImage> targets;
  if (!targets.count(op)) {
    CliBench b(unit_memory(op), {});
    const Run r = b.run(command_of(op, b));
    if (b.pty_error || b.file_error || r.exit != 0) qFatal("the fault-free %s failed: %s", qPrintable(operation_name(op)), qPrintable(r.err));
    targets[op] = b.memory();
  }
  return targets.at(op);
}

// The port's loss as quarnctl reports it: the serial layer's number varies.
QString lost_text(const QString& path) {
  return "^\\d+ dispositivo scollegato: " + QRegularExpression::escape(path) + "\\n" + port_failure + "\\n";
}

// What quarnctl must say and return, from what the fault does to its phases.
struct Expected {
  int exit = 0;
  QString err_pattern;  // a regular expression the whole of standard error matches
  QString out;          // standard output, exactly (read -o writes nothing there)
  bool reached_writes = false;
};

Expected expected_for(const FaultRow& row, Operation op, const QString& path, const MemoryImage& target) {
  const ReadEffect read = read_effect(row, op);
  const auto esc = [](const QString& s) { return QRegularExpression::escape(s); };
  switch (read) {
    case ReadEffect::Lost: return {4, lost_text(path) + "$", {}, false};
    case ReadEffect::Hang:
    case ReadEffect::NeverReady: return {5, "^" + esc(no_answer + " su Com 1 (" + path + ")") + "\\n$", {}, false};
    case ReadEffect::Unsound:
    case ReadEffect::BadChecksum:
    case ReadEffect::Clean: break;
  }
  const bool unsound = read == ReadEffect::Unsound;
  const bool read_error_shown = read != ReadEffect::Clean;
  switch (op) {
    case Operation::Connect:
      return read_error_shown ? Expected{6, "^" + esc(read_error) + "\\n$", {}, false} : Expected{0, "^$", {}, false};
    case Operation::TestTransmission: return {0, "^$", "Trasmissione di prova inviata\n", false};
    case Operation::ProgramNew:
    case Operation::ProgramOld:
      if (unsound) return {6, "^" + esc(read_error + "\n" + nothing_sent) + "\\n$", {}, false};
      break;
    case Operation::DefaultsUhf:
    case Operation::DefaultsVhf:
      break;  // a factory load is never held up by a read out of step
  }
  // The write run. One that stops part-way names the backup to restore from.
  const QString backup = "Copia di sicurezza: [^\\n]+\\.json\\n";
  const QString done = is_defaults(op) ? QString("Valori di fabbrica caricati e verificati\n")
                                       : QString("Programmazione verificata: %1 celle\n").arg(written_count(op));
  const QString note = read == ReadEffect::BadChecksum && !is_defaults(op) ? esc(checksum_note) + "\\n" : QString();
  switch (row.write) {
    case WriteEffect::Verified: return {0, "^" + note + "$", done, true};
    case WriteEffect::TimeOut: {
      // The cells confirmed are named as a range when there are any.
      const QString range = row.fails_at > 0 ? QString(" (0 - %1)").arg(row.fails_at - 1) : QString();
      return {5,
              "^" + note + esc(QString("Errore TIME OUT   \nNessuna conferma (K) per la cella %1; confermate %1 celle%2")
                                   .arg(row.fails_at)
                                   .arg(range)) + "\\n" + backup + "$",
              {}, true};
    }
    case WriteEffect::Lost:
      return {4, "^" + note + lost_text(path).mid(1) + esc(QString("Confermate %1 celle prima dell'errore")
                                                                  .arg(row.fails_at)) + "\\n" + backup + "$",
              {}, true};
    case WriteEffect::Unconfirmed: {
      // A fault that put the connect's read out of step may shift the read-back too.
      const QString shifted = unsound ? QString("(cella \\d+: scritto \\d+, letto \\d+\\n)*") : QString();
      return {6, "^" + note + esc(read_error) + "\\n" + shifted + "Risposte fuori passo dal trasmettitore\\n" + backup + "$", {}, true};
    }
    case WriteEffect::Mismatch:
      return {6,
              "^" + note + esc(read_error) +
                  QString("\\ncella %1: scritto %2, letto %3\\n")
                      .arg(other_stored_at)
                      .arg(target[other_stored_at])
                      .arg(target[other_stored_at] ^ 1) + backup + "$",
              {}, true};
  }
  return {};
}

MatrixTable& table() {
  static MatrixTable t("fault-matrix-quarnctl.md",
                       {"Fault", "Command", "Exit", "Standard error", "Device afterwards", "Backup"});
  return t;
}

}  // namespace

class TestFaultMatrixQuarnctl : public QObject {
  Q_OBJECT

  int cases_ = 0;
  QElapsedTimer clock_;

 private slots:
  void initTestCase() { clock_.start(); }

  void cleanupTestCase() {
    const QString path = table().write(QString("%1 quarnctl cases in %2 s; after each, the next quarnctl call "
                                               "programmed the unit with the fault gone.")
                                           .arg(cases_)
                                           .arg(double(clock_.elapsed()) / 1000, 0, 'f', 1));
    QVERIFY(!path.isEmpty());
  }

  void faultAgainstCommand_data() {
    add_fault_operation_rows();
  }
  void faultAgainstCommand() {
    QFETCH(int, row);
    QFETCH(int, operation);
    const FaultRow fault = fault_rows()[std::size_t(row)];
    const auto op = Operation(operation);
    const Operation again = is_defaults(op) || op == Operation::ProgramOld ? op : Operation::ProgramNew;
    target(again);
    if (writes(op)) target(op);
    CliBench b(unit_memory(op), fault.faults());
    QVERIFY2(!b.pty_error && !b.file_error,
             qPrintable(b.pty_error.value_or(b.file_error ? file_error_text(*b.file_error) : QString())));
    const MemoryImage initial = b.memory();
    ++cases_;

    // A device that never says it is ready: quarnctl gives up after --timeout.
    const QStringList ready_limit = read_effect(fault, op) == ReadEffect::NeverReady ? QStringList{"--timeout", "1"} : QStringList{};
    const Run r = b.run(command_of(op, b) + ready_limit);
    const Expected expected = expected_for(fault, op, b.pty.clientPath(), writes(op) ? target(op) : initial);
    QVERIFY2(r.exit == expected.exit, qPrintable(QString("exit %1, standard error:\n%2").arg(r.exit).arg(r.err)));
    QVERIFY2(QRegularExpression(expected.err_pattern, QRegularExpression::DotMatchesEverythingOption).match(r.err).hasMatch(),
             qPrintable(r.err));
    QCOMPARE(r.out, expected.out);
    if (op == Operation::TestTransmission && expected.exit == 0) QTRY_COMPARE_WITH_TIMEOUT(b.transmitter.model().testTransmissions(), 1, patience_ms);

    // The device holds what was acknowledged and nothing after the failure.
    QCOMPARE(b.memory(), expected_memory(initial, writes(op) ? target(op) : initial, fault, op, expected.reached_writes));
    const MemoryImage after_fault = b.memory();

    // The backup came before the first write, with the memory as it was,
    // or as a read out of step returned it, marked.
    const QStringList backups = BackupStore(b.backupFolder()).list();
    QCOMPARE(backups.size(), expected.reached_writes ? 1 : 0);
    if (expected.reached_writes) {
      const SettingsLoad saved = load_settings_file(backups.first());
      QVERIFY(saved.file && saved.file->cells);
      const bool unsound = read_effect(fault, op) == ReadEffect::Unsound;
      QCOMPARE(saved.file->read_out_of_step, unsound);
      if (!unsound) QVERIFY(std::equal(saved.file->cells->begin(), saved.file->cells->end(), initial.begin()));
    }

    // The fault gone (a vanished device plugged back in), the next call programs.
    b.transmitter.setFaults({});
    if (!b.pty.isOpen()) QVERIFY(!b.pty.open());
    const Run next = b.run(command_of(again, b));
    QVERIFY2(next.exit == 0, qPrintable(QString("exit %1, standard error:\n%2").arg(next.exit).arg(next.err)));
    MemoryImage recovered = after_fault;
    for (int a = 0; a < written_count(again); ++a) recovered[std::size_t(a)] = target(again)[std::size_t(a)];
    QCOMPARE(b.memory(), recovered);

    QString err = r.err.trimmed();
    err.replace(b.dir.path(), "<dir>").replace(QRegularExpression("^\\d+ dispositivo", QRegularExpression::MultilineOption),
                                                "<n> dispositivo");
    table().mark(fault.name, command_label(op, b), "exit " + QString::number(r.exit));
    table().add({fault.name, command_label(op, b), QString::number(r.exit),
                 err.isEmpty() ? "-" : err.replace('\n', " / "), device_text(fault, op, expected.reached_writes),
                 backup_text(expected.reached_writes, read_effect(fault, op))});
  }
};

QTEST_GUILESS_MAIN(TestFaultMatrixQuarnctl)
#include "test_fault_matrix_quarnctl.moc"
