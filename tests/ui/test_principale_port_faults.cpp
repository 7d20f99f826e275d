// The window on ports that fail, through the real serial port class with
// "Com 1" chosen by QUARN_COM1: paths that are no serial port, a device the
// user may not open or that another program holds, and a device that goes
// away while connected. Whatever the fault, the window ends not connected,
// says what it was told about the port, and stays usable: "Com 2", an
// emulated transmitter on a pseudo-terminal, then connects and reads.

#include "link/qt_serial_link.h"
#include "tests/link/unusable_paths.h"
#include "tests/ui/as_ordinary_user.h"
#include "tests/ui/pty_device.h"

#include <QSerialPort>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace quarn;
using namespace quarn::test;

namespace {

enum class Fault { Path, NoPermission, HeldBySerialPort, HeldExclusively };
enum class Moment { Idle, WaitingForReady, Reading, Programming };

// What stands behind "Com 1" for one row, kept for the length of the test.
struct FaultyPort {
  FaultyPort() = default;
  FaultyPort(const FaultyPort&) = delete;
  FaultyPort& operator=(const FaultyPort&) = delete;
  ~FaultyPort() {
    if (exclusive >= 0) ::close(exclusive);
  }

  // Makes the fault; false when that was not possible.
  bool make(Fault fault, int path_row) {
    if (fault == Fault::Path) {
      path = unusable_paths().at(std::size_t(path_row)).make(QDir(folder.path()));
      return folder.isValid() && !path.isEmpty();
    }
    device.emplace(Band::Uhf);
    if (device->error) return false;
    path = device->pty.slavePath();
    switch (fault) {
      case Fault::NoPermission:
        return QFile::setPermissions(path, {});
      case Fault::HeldBySerialPort:  // as another copy of this program holds it
        holder.setPortName(path);
        return holder.open(QIODevice::ReadWrite);
      case Fault::HeldExclusively:  // as a terminal program holds it, with no lock file
        exclusive = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return exclusive >= 0 && ::ioctl(exclusive, TIOCEXCL) == 0;
      case Fault::Path:
        break;
    }
    return false;
  }

  QTemporaryDir folder;
  std::optional<PtyDevice> device;  // a transmitter behind a device that fails otherwise
  QSerialPort holder;
  int exclusive = -1;
  QString path;
};

// The window on a real port, with a working transmitter (VHF) on "Com 2".
struct Bench {
  Bench() { qputenv("QUARN_COM2", working.pty.slavePath().toLocal8Bit()); }

  const PrincipaleControls& c() const { return window.controls(); }
  QString state() const { return c().txb_stato_con->text(); }

  bool connectAndRead() {
    c().Cmd_connetti->click();
    return run_until([this] { return state() == state_text::connected && !window.session().busy(); }, patience_ms);
  }

  // "Com 2" connects and reads its transmitter, without a message.
  bool anotherPortWorks() {
    notifier.messages.clear();
    choose_port(c(), 1);
    return connectAndRead() && c().FqTx->text() == "161" && notifier.messages.empty();
  }

  PtyDevice working{Band::Vhf};
  RecordingNotifier notifier;
  QtSerialLink port;
  TransmitterSession session{port};
  Principale window{session, notifier};
};

std::vector<RecordingNotifier::Message> port_failure(const QString& port_error) {
  return {{port_error, Notifier::Icon::None}, exclamation(message_port_failure)};
}

// The serial layer numbers a vanished device's error by the call that noticed
// the loss: a read, or another one. The test takes either.
QString without_loss_number(const QString& text) {
  for (const int number : {QSerialPort::ReadError, QSerialPort::ResourceError}) {
    const QString prefix = QString::number(number) + ' ';
    if (text.startsWith(prefix)) return text.mid(prefix.size());
  }
  return text;
}

}  // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Moment)

class TestPrincipalePortFaults : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    for (const char* name : {"QUARN_COM1", "QUARN_COM2"}) qunsetenv(name);
  }

  // Connetti on a port that will not open, tried twice as the technician
  // would: the same two messages each time (a failed open leaves no lock
  // behind), the device named, nothing sent; then another port works.
  void aPortThatWillNotOpenIsNamed_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("path_row");
    QTest::addColumn<QString>("error");  // %1: the device
    int row = 0;
    for (const UnusablePath& path : unusable_paths()) {
      QTest::newRow(path.name) << Fault::Path << row++ << path.error + ": %1";
    }
    // A fault the technician can mend says how, on its own line.
    const QString held = "2 porta occupata da un altro programma: %1\n"
                         "Rimedio: chiudere l'altro programma che usa la porta, poi Connetti";
    QTest::newRow("device without permission")
        << Fault::NoPermission << 0
        << "2 Permission denied: %1\nRimedio: aggiungere l'utente al gruppo dialout (sudo usermod -aG dialout $USER, "
           "poi uscire e rientrare nella sessione) o usare la postazione locale, a cui udev dà l'accesso (uaccess)";
    QTest::newRow("held by another serial program") << Fault::HeldBySerialPort << 0 << held;
    QTest::newRow("held in exclusive mode") << Fault::HeldExclusively << 0 << held;
  }
  void aPortThatWillNotOpenIsNamed() {
    QFETCH(Fault, fault);
    QFETCH(int, path_row);
    QFETCH(QString, error);
    FaultyPort faulty;
    QVERIFY(faulty.make(fault, path_row));
    qputenv("QUARN_COM1", faulty.path.toLocal8Bit());
    Bench bench;
    QTRY_COMPARE(bench.state(), state_text::not_connected);
    choose_port(bench.c(), 0);
    for (int attempt = 1; attempt <= 2; ++attempt) {
      bench.notifier.messages.clear();
      {
        const AsOrdinaryUser user;
        QVERIFY(user.holds());
        bench.c().Cmd_connetti->click();
      }
      QCOMPARE(bench.notifier.messages, port_failure(error.arg(faulty.path)));
      QCOMPARE(bench.state(), state_text::not_connected);
      QVERIFY(!bench.port.isOpen());
      QTRY_VERIFY(bench.c().Cmd_connetti->isEnabled());
    }
    if (faulty.device) QVERIFY(faulty.device->sent().isEmpty());
    QVERIFY(bench.anotherPortWorks());
  }

  // The pseudo-terminal's master closes under the connected window, as an
  // adapter pulled out: idle, the session just ends; while the window waits
  // for the ready "K" and during the read the port error names the device; during the writes of Programma the loss
  // is named and the run ends as a write without its acknowledgement does. Then another port works.
  void theDeviceVanishesWhileConnected_data() {
    QTest::addColumn<Moment>("moment");
    // %1: the device; a port error comes without an icon, its number left out.
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("idle") << Moment::Idle << QStringList{};
    QTest::newRow("waiting for the ready K") << Moment::WaitingForReady
                                             << QStringList{"dispositivo scollegato: %1", message_port_failure};
    QTest::newRow("during the read") << Moment::Reading
                                     << QStringList{"dispositivo scollegato: %1", message_port_failure};
    QTest::newRow("during programming") << Moment::Programming
                                        << QStringList{"dispositivo scollegato: %1", message_time_out};
  }
  void theDeviceVanishesWhileConnected() {
    QFETCH(Moment, moment);
    QFETCH(QStringList, messages);
    TransmitterFaults faults;
    faults.silent = moment == Moment::WaitingForReady;
    std::optional<PtyDevice> device(std::in_place, Band::Uhf, faults);
    QVERIFY(!device->error);
    const QString path = device->pty.slavePath();
    qputenv("QUARN_COM1", path.toLocal8Bit());
    Bench bench;
    QTRY_COMPARE(bench.state(), state_text::not_connected);
    choose_port(bench.c(), 0);
    const auto vanish = [&device] { device.reset(); };
    // Five cells into the transfer of that moment, once control is back in the event loop.
    bool writing = false;
    TransmitterSession& session = bench.window.session();
    connect(&session, &TransmitterSession::stepsStarted, &bench.window, [&writing](bool steps_write, int) { writing = steps_write; });
    connect(&session, &TransmitterSession::progress, &bench.window, [&](int address, int) {
      if ((moment == Moment::Reading || moment == Moment::Programming) && device && address == 5 && writing == (moment == Moment::Programming)) {
        QTimer::singleShot(0, &bench.window, vanish);
      }
    });
    if (moment == Moment::WaitingForReady) {
      bench.c().Cmd_connetti->click();
      QTRY_COMPARE(bench.state(), state_text::waiting);
      vanish();
    } else if (moment == Moment::Reading) {
      bench.c().Cmd_connetti->click();
    } else {
      QVERIFY(bench.connectAndRead());
      QCOMPARE(bench.c().FqTx->text(), QString("460"));
      if (moment == Moment::Idle) vanish();
      if (moment == Moment::Programming) {
        QTRY_VERIFY(bench.c().cmd_programma->isEnabled());
        bench.c().cmd_programma->click();
      }
    }
    QVERIFY(run_until([&] { return bench.state() == state_text::not_connected && !bench.window.session().busy(); }, patience_ms));
    QVERIFY(!device);
    QVERIFY(!bench.port.isOpen());
    QVERIFY(bench.c().ProgressBar1->isHidden());
    std::vector<RecordingNotifier::Message> expected;
    for (const QString& text : messages) {
      const bool port_error = text.contains("%1");
      expected.push_back({port_error ? text.arg(path) : text, port_error ? Notifier::Icon::None : Notifier::Icon::Exclamation});
    }
    QTest::qWait(20);  // no late message
    std::vector<RecordingNotifier::Message> shown = bench.notifier.messages;
    for (RecordingNotifier::Message& message : shown) message.text = without_loss_number(message.text);
    QCOMPARE(shown, expected);
    QTRY_VERIFY(bench.c().Cmd_connetti->isEnabled());
    QVERIFY(bench.anotherPortWorks());
  }
};

QTEST_MAIN(TestPrincipalePortFaults)
#include "test_principale_port_faults.moc"
