// The fault matrix through the window: Principale on QSerialPort, the
// emulated transmitter on a pseudo-terminal (line unpaced; Timer1 at its 4 s,
// run out at once where the device leaves a step unanswered), every fault
// the emulator knows from power-on against every operation. Each
// case checks the message boxes, the state, the progress bar, the commands
// left enabled, the device memory against what was acknowledged, the backup
// before the first write, and that the same window then connects and
// programs once the fault is gone. The observed table is written as
// fault-matrix-window.md beside the program.

#include "config/block_decoding.h"
#include "emulator/pty_transmitter.h"
#include "documents/backup_store.h"
#include "link/qt_serial_link.h"
#include "documents/operator_texts.h"
#include "tests/matrix/fault_rows.h"
#include "tests/matrix/matrix_table.h"
#include "tests/ui/principale_fixture.h"

#include <QTemporaryDir>

#include <map>

using namespace quarn;
using namespace quarn::test;

namespace {

// No fault falls on a sequence's last reply, which is all the guard after it
// listens for: a short guard sees the same on a busy machine as a long one.
constexpr int reply_guard_ms = 5;
// A late "K" arrives after the case is over: Timer1 has run out long before.
constexpr auto late_reply = std::chrono::minutes(10);
// How long a stalled operation is watched to show that it stays stalled; a
// busy machine only makes the watch longer.
constexpr int stall_ms = 300;

struct WindowBench {
  WindowBench(const MemoryImage& memory, const TransmitterFaults& faults)
      : transmitter(TransmitterModel(memory, faults), timing()),
        pty(transmitter),
        backups(dir.filePath("backups")),
        session(port),
        window(session, notifier) {
    pty.setLinkPath(dir.filePath("port"));
    pty_error = pty.open();
    qputenv("QUARN_COM1", pty.clientPath().toLocal8Bit());
    QObject::connect(&transmitter, &EmulatedTransmitter::stepUnanswered, &window,
                     [this] { window.session().runTimer1Out(); });
    window.session().setReplyGuard(reply_guard_ms);
    session.setBackupHook(backups.hook());
    // Each operation is meant as the case runs it: a factory set whatever the
    // unit read, fields discarded at Disconetti.
    notifier.answer = [](const QString&) { return true; };
  }
  static LineTiming timing() {
    LineTiming t;
    t.paced = false;
    t.late_reply = late_reply;
    return t;
  }

  const PrincipaleControls& c() const { return window.controls(); }
  QString state() const { return c().txb_stato_con->text(); }
  bool idle() { return !window.session().busy(); }
  QByteArray sent() const { return traffic_bytes(transmitter.traffic(), TrafficEntry::Direction::ToTransmitter); }
  const MemoryImage& memory() const { return transmitter.model().memory(); }

  // The commands the status poll has enabled, by name.
  QString enabled() const {
    QStringList names;
    for (QPushButton* b : {c().Cmd_connetti, c().cmd_programma, c().Cmd_disconetti, c().Cmd_init_uhf, c().Cmd_init_vhf,
                           c().Cmd_tx}) {
      if (b->isEnabled()) names << b->objectName();
    }
    return names.join(' ');
  }

  // A message as the table shows it: the device path and the serial
  // layer's error number vary from run to run.
  QString shown(const RecordingNotifier::Message& m) const {
    QString text = m.text;
    text.replace(dir.path(), "<dir>");
    if (m.icon == Notifier::Icon::None) text.replace(QRegularExpression("^\\d+ "), "<n> ");
    return '"' + text + '"';
  }
  QStringList shownSince(std::size_t first) const {
    QStringList texts;
    for (std::size_t i = first; i < notifier.messages.size(); ++i) texts << shown(notifier.messages[i]);
    return texts;
  }

  QTemporaryDir dir;
  RecordingNotifier notifier;
  EmulatedTransmitter transmitter;
  PtyTransmitter pty;
  std::optional<QString> pty_error;
  QtSerialLink port;
  BackupStore backups;
  TransmitterSession session;
  Principale window;
};

QPushButton* command_of(const PrincipaleControls& c, Operation operation) {
  switch (operation) {
    case Operation::ProgramNew:
    case Operation::ProgramOld: return c.cmd_programma;
    case Operation::DefaultsUhf: return c.Cmd_init_uhf;
    case Operation::DefaultsVhf: return c.Cmd_init_vhf;
    case Operation::TestTransmission: return c.Cmd_tx;
    case Operation::Connect: break;
  }
  return nullptr;
}

// The edit every Programma makes, so that its writes change the device.
void edit_fields(const PrincipaleControls& c) {
  c.CodiceQuarn->setText("1234");
  c.txb_tmp_rap->setText("99");
}

// What the poll enables in each state.
QString enabled_in(const QString& state, bool busy) {
  if (state == state_text::waiting) return "Cmd_disconetti";
  if (state == state_text::not_connected) return "Cmd_connetti";
  return busy ? "Cmd_disconetti Cmd_tx" : "cmd_programma Cmd_disconetti Cmd_init_uhf Cmd_init_vhf Cmd_tx";
}

std::vector<RecordingNotifier::Message> read_error() { return {exclamation(message_read_error)}; }


// Connetti, then the operation's command (Programma with the edit); true
// once the window is idle and connected, having shown `expected` only.
bool connect_and_run(WindowBench& b, Operation op, const std::vector<RecordingNotifier::Message>& expected = {}) {
  const std::size_t messages = b.notifier.messages.size();
  b.c().Cmd_connetti->click();
  if (!run_until([&] { return b.idle() && b.state() == state_text::connected; }, patience_ms)) return false;
  QPushButton* command = command_of(b.c(), op);
  if (!run_until([&] { return command->isEnabled(); }, patience_ms)) return false;
  if (!is_defaults(op)) edit_fields(b.c());
  command->click();
  return run_until([&] { return b.idle(); }, patience_ms) && b.state() == state_text::connected &&
         std::equal(b.notifier.messages.begin() + qsizetype(messages), b.notifier.messages.end(), expected.begin(),
                    expected.end());
}

// The memory a fault-free run of a writing operation leaves on a fresh unit.
const MemoryImage& target(Operation op) {
  static std::map<Operation, MemoryImage> targets;
  if (!targets.count(op)) {
    WindowBench b(unit_memory(op), {});
    if (b.pty_error || !connect_and_run(b, op)) qFatal("the fault-free run of %s failed", qPrintable(operation_name(op)));
    targets[op] = b.memory();
  }
  return targets.at(op);
}

// The box a run gives before it goes on with a frequency outside both
// transmit ranges.
QString frequency_warning() {
  ProgrammingRun run;
  run.outside_transmit_ranges = true;
  return run_warning_text(run).value_or(QString());
}

// A case's outcome in a few words: the boxes shown, or how it stalled.
QString short_outcome(const std::vector<RecordingNotifier::Message>& messages, bool stalled) {
  if (stalled) return "stalls, Disconetti ends it";
  QStringList words;
  for (const auto& m : messages) {
    const QString word = m.text == message_read_error        ? "read error"
                         : m.text == message_time_out        ? "TIME OUT"
                         : m.text == message_port_failure    ? "port failure"
                         : m.text == frequency_warning()     ? "frequency warning"
                         : m.icon == Notifier::Icon::None    ? QString()
                                                             : "refused";
    if (!word.isEmpty() && !words.contains(word)) words << word;
  }
  return words.isEmpty() ? "ok" : words.join(" + ");
}

MatrixTable& table() {
  static MatrixTable t("fault-matrix-window.md",
                       {"Fault", "Operation", "Messages", "State", "Enabled", "Device afterwards", "Backup"});
  return t;
}

}  // namespace

class TestFaultMatrixWindow : public QObject {
  Q_OBJECT

  int cases_ = 0;
  QElapsedTimer clock_;

 private slots:
  void initTestCase() { clock_.start(); }

  void cleanupTestCase() {
    const QString path = table().write(QString("%1 cases through the window in %2 s; after each, the same window "
                                               "connected and programmed with the fault gone.")
                                           .arg(cases_)
                                           .arg(double(clock_.elapsed()) / 1000, 0, 'f', 1));
    QVERIFY(!path.isEmpty());
  }

  void faultAgainstOperation_data() {
    add_fault_operation_rows();
  }
  void faultAgainstOperation() {
    QFETCH(int, row);
    QFETCH(int, operation);
    const FaultRow fault = fault_rows()[std::size_t(row)];
    const auto op = Operation(operation);
    const ReadEffect read = read_effect(fault, op);
    // Fault-free references first: each bench points Com 1 at its own device.
    target(Operation::ProgramNew);
    if (writes(op)) target(op);
    WindowBench b(unit_memory(op), fault.faults());
    QVERIFY2(!b.pty_error, qPrintable(b.pty_error.value_or(QString())));
    const MemoryImage initial = b.memory();
    ++cases_;

    b.c().Cmd_connetti->click();
    QString state_seen;
    QString enabled_seen;
    bool reached_writes = false;
    if (read == ReadEffect::Hang || read == ReadEffect::NeverReady) {
      // The device stops answering: nothing ends the operation but the
      // technician, and Disconetti is there for it.
      QVERIFY(run_until([&] {
        return read == ReadEffect::Hang ? b.sent().endsWith(QByteArray("R") + char(fault_read))
                                        : b.state() == state_text::waiting;
      }, patience_ms));
      QVERIFY(!run_until([&] { return b.idle(); }, stall_ms));
      const QString stalled_state = read == ReadEffect::Hang ? state_text::connected : state_text::waiting;
      QCOMPARE(b.state(), stalled_state);
      QVERIFY(run_until([&] { return b.enabled() == enabled_in(stalled_state, true); }, patience_ms));
      QVERIFY(b.c().ProgressBar1->isHidden() == (read == ReadEffect::NeverReady));
      state_seen = b.state() + " (stalled)";
      enabled_seen = b.enabled();
      b.c().Cmd_disconetti->click();
      QVERIFY(run_until([&] { return b.idle(); }, patience_ms));
      QCOMPARE(b.state(), state_text::not_connected);
      QVERIFY(b.c().ProgressBar1->isHidden());
      QVERIFY(b.notifier.messages.empty());
    } else {
      QVERIFY(run_until([&] { return b.idle() && b.state() != state_text::waiting; }, patience_ms));
      std::vector<RecordingNotifier::Message> expected;
      if (read == ReadEffect::Unsound || read == ReadEffect::BadChecksum) expected = read_error();
      if (read == ReadEffect::Lost) {
        QCOMPARE(b.notifier.messages.size(), std::size_t(2));
        const QString port_text = b.notifier.messages[0].text;
        QVERIFY2(port_text.contains(QRegularExpression("^\\d+ dispositivo scollegato: " +
                                                       QRegularExpression::escape(b.pty.clientPath()) + "$")),
                 qPrintable(port_text));
        expected = {{port_text, Notifier::Icon::None}, exclamation(message_port_failure)};
      }
      QCOMPARE(b.notifier.messages, expected);
      QCOMPARE(b.state(), read == ReadEffect::Lost ? state_text::not_connected : state_text::connected);

      const std::size_t after_connect = b.notifier.messages.size();
      QPushButton* command = command_of(b.c(), op);
      if (command && read != ReadEffect::Lost) {
        QVERIFY(run_until([&] { return command->isEnabled(); }, patience_ms));
        if (op == Operation::ProgramNew || op == Operation::ProgramOld) edit_fields(b.c());
        command->click();
        QVERIFY(run_until([&] { return b.idle(); }, patience_ms));
        const std::vector<RecordingNotifier::Message> shown(b.notifier.messages.begin() + qsizetype(after_connect),
                                                            b.notifier.messages.end());
        reached_writes = writes(op) && (read != ReadEffect::Unsound || is_defaults(op));
        if (op == Operation::TestTransmission) {
          QVERIFY(shown.empty());
          QCOMPARE(b.state(), state_text::not_connected);
          QTRY_COMPARE(b.transmitter.model().testTransmissions(), 1);
        } else if (!reached_writes) {
          // A read out of step fills no field: Programma finds nothing it
          // can encode and writes nothing.
          QVERIFY(!shown.empty());
          for (const auto& m : shown) QCOMPARE(m.icon, Notifier::Icon::Exclamation);
          QVERIFY(!b.sent().contains('W'));
        } else {
          std::vector<RecordingNotifier::Message> run_expected;
          switch (fault.write) {
            case WriteEffect::Verified: break;
            case WriteEffect::TimeOut: run_expected = {exclamation(message_time_out)}; break;
            case WriteEffect::Lost:
              // The loss named as the port error path names it, then the run's own box.
              QVERIFY(!shown.empty() && shown.front().text.contains(QRegularExpression(
                                            "^\\d+ dispositivo scollegato: " + QRegularExpression::escape(b.pty.clientPath()) + "$")));
              run_expected = {{shown.front().text, Notifier::Icon::None}, exclamation(message_time_out)};
              break;
            case WriteEffect::Unconfirmed:
            case WriteEffect::Mismatch: run_expected = read_error(); break;
          }
          QCOMPARE(shown, run_expected);
          QCOMPARE(b.state(), fault.write == WriteEffect::Lost ? state_text::not_connected : state_text::connected);
          QCOMPARE(b.window.programmingFlag(), 0);
        }
      } else if (command) {
        // A lost device leaves nothing to press but Connetti, once the poll has run.
        QVERIFY(run_until([&] { return !command->isEnabled(); }, patience_ms));
      }
      QVERIFY(run_until([&] { return b.enabled() == enabled_in(b.state(), false); }, patience_ms));
      QVERIFY(b.c().ProgressBar1->isHidden());
      state_seen = b.state();
      enabled_seen = b.enabled();
    }

    // The device holds what was acknowledged and nothing after the failure.
    if (is_defaults(op)) {
      QCOMPARE(target(op), factory_default_cells(op == Operation::DefaultsUhf ? Band::Uhf : Band::Vhf, Generation::New));
    }
    QCOMPARE(b.memory(), expected_memory(initial, writes(op) ? target(op) : initial, fault, op, reached_writes));
    const MemoryImage after_fault = b.memory();
    const QStringList messages_seen = b.shownSince(0);
    const QString outcome = short_outcome(b.notifier.messages, state_seen.endsWith("(stalled)"));

    // The backup came before the first write, with the memory as it was,
    // or as a read out of step returned it, marked.
    const QStringList backups = b.backups.list();
    QCOMPARE(backups.size(), reached_writes ? 1 : 0);
    if (reached_writes) {
      const SettingsLoad saved = load_settings_file(backups.first());
      QVERIFY(saved.file && saved.file->cells);
      QCOMPARE(saved.file->read_out_of_step, read == ReadEffect::Unsound);
      if (read != ReadEffect::Unsound) QVERIFY(std::equal(saved.file->cells->begin(), saved.file->cells->end(), initial.begin()));
    }

    // The fault gone (a vanished device plugged back in), the same window
    // connects and programs.
    b.transmitter.setFaults({});
    if (!b.pty.isOpen()) QVERIFY(!b.pty.open());
    if (b.state() != state_text::not_connected) b.c().Cmd_disconetti->click();
    QVERIFY(run_until([&] { return b.idle() && b.c().Cmd_connetti->isEnabled(); }, patience_ms));
    const DecodedBlock held = decode_block([&] {
      MemoryRead cells{};
      std::copy_n(b.memory().begin(), read_count, cells.begin());
      return cells;
    }());
    const Operation again = is_defaults(op) || op == Operation::ProgramOld ? op : Operation::ProgramNew;
    // A memory left half written may carry a checksum that no longer fits:
    // the connect says so, and the run puts it right.
    QVERIFY(connect_and_run(b, again, held.is_new && held.checksum_mismatch ? read_error() : std::vector<RecordingNotifier::Message>{}));
    MemoryImage recovered = after_fault;
    for (int a = 0; a < written_count(again); ++a) recovered[std::size_t(a)] = target(again)[std::size_t(a)];
    QCOMPARE(b.memory(), recovered);

    table().mark(fault.name, operation_name(op), outcome);
    table().add({fault.name, operation_name(op), messages_seen.isEmpty() ? "none" : messages_seen.join(" + "),
                 '"' + state_seen + '"', enabled_seen, device_text(fault, op, reached_writes),
                 backup_text(reached_writes, read)});
  }
};

QTEST_MAIN(TestFaultMatrixWindow)
#include "test_fault_matrix_window.moc"
