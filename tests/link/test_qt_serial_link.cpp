// The real serial port class on a pseudo-terminal with the emulated
// transmitter at the master side.

#include "emulator/pty_transmitter.h"
#include "link/port_names.h"
#include "link/qt_serial_link.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <pty.h>
#include <memory>
#include <unistd.h>

using namespace quarn;
using Direction = TrafficEntry::Direction;

namespace {

constexpr int port = 5;  // Com 5 leads to the pseudo-terminal

QByteArray bytes_to_transmitter(const EmulatedTransmitter& transmitter) {
  return traffic_bytes(transmitter.traffic(), Direction::ToTransmitter);
}

}  // namespace

class TestQtSerialLink : public QObject {
  Q_OBJECT

  std::unique_ptr<EmulatedTransmitter> transmitter_;
  std::unique_ptr<PtyTransmitter> pty_;
  std::unique_ptr<QtSerialLink> link_;

  QByteArray readAll() {
    QByteArray bytes;
    while (link_->bytesWaiting() > 0) bytes += link_->read();
    return bytes;
  }

  // Opens Com 5 and takes the ready "K".
  bool connectToTransmitter() {
    if (link_->open()) return false;
    if (!QTest::qWaitFor([this] { return link_->bytesWaiting() > 0; }, 60'000)) return false;
    return readAll() == "K";
  }

  // Starts a session and reads cell 5: true when its value is the first and
  // only thing that arrives, nothing left over from before ahead of it.
  bool firstReplyIsOwn() {
    link_->write("UR\x05");
    if (!QTest::qWaitFor([this] { return link_->bytesWaiting() > 0; }, 60'000)) return false;
    return readAll() == QByteArray(1, char(transmitter_->model().memory()[5]));
  }

  // A terminal with nothing at its far side: Com 6 leads to it and the link
  // is open on it. Returns the far side (non-blocking), or -1.
  int openBareTerminal() {
    int master = -1;
    int slave = -1;
    char name[64] = {};
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return -1;
    ::close(slave);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    if (::ptsname_r(master, name, sizeof name) != 0) return -1;
    qputenv("QUARN_COM6", name);
    link_->setPortNumber(6);
    return link_->open() ? -1 : master;
  }

 private slots:
  void init() {
    // One ready "K" per connection: a repeated one would depend on how fast
    // the test runs.
    transmitter_ = std::make_unique<EmulatedTransmitter>(
        TransmitterModel(factory_default_cells(Band::Uhf, Generation::New)),
        LineTiming{.paced = false, .ready_period = std::chrono::minutes(10)});
    pty_ = std::make_unique<PtyTransmitter>(*transmitter_);
    const std::optional<QString> failure = pty_->open();
    QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
    qputenv("QUARN_COM5", pty_->slavePath().toLocal8Bit());
    link_ = std::make_unique<QtSerialLink>();
    link_->setPortNumber(port);
  }
  void cleanup() {
    link_.reset();
    pty_.reset();
    transmitter_.reset();
    qunsetenv("QUARN_COM5");
    qunsetenv("QUARN_COM6");
  }

  // Each value goes out as the value of a write and comes back as the answer
  // to reading the cell; XON, XOFF, CR, LF and the rest included.
  void allByteValuesPassBothWaysUnchanged() {
    QSignalSpy arrived(link_.get(), &SerialLink::bytesArrived);
    QVERIFY(connectToTransmitter());
    QByteArray commands("U");
    QByteArray expected;
    for (int value = 0; value < 256; ++value) {
      const char address = char(value % memory_size);
      commands += QByteArray("W") + address + char(value) + "R" + address;
      expected += QByteArray("K") + char(value);
    }
    link_->write(commands);
    QTRY_COMPARE(link_->bytesWaiting(), int(expected.size()));
    QCOMPARE(readAll(), expected);
    QCOMPARE(bytes_to_transmitter(*transmitter_), commands);
    QVERIFY(arrived.count() > 0);
  }

  // One device, one program, whatever the names: while one link holds the
  // pseudo-terminal, a second one opening it by a symbolic link or by its
  // own path is refused (run as root, neither QSerialPort's lock file, kept
  // by name, nor the terminal's exclusive mode stopped it); once the first
  // closes, the second opens.
  void aSecondOpenerByAnotherNameIsRefused_data() {
    QTest::addColumn<bool>("first_by_link");
    QTest::newRow("link, then path") << true;
    QTest::newRow("path, then link") << false;
  }
  void aSecondOpenerByAnotherNameIsRefused() {
    QFETCH(bool, first_by_link);
    QTemporaryDir dir;
    const QString alias = dir.filePath("usb-Quarn-if00-port0");
    QVERIFY(QFile::link(pty_->slavePath(), alias));
    const QString second_path = first_by_link ? pty_->slavePath() : alias;
    if (first_by_link) link_->setDevice(alias);
    QVERIFY(connectToTransmitter());
    QtSerialLink second;
    second.setDevice(second_path);
    const std::optional<PortError> refused = second.open();
    QVERIFY(refused);
    QCOMPARE(refused->number, int(QSerialPort::PermissionError));
    QCOMPARE(refused->description, "porta occupata da un altro programma: " + second_path);
    QVERIFY(!second.isOpen());
    link_->close();
    QCOMPARE(second.open(), std::nullopt);
  }

  void readHandsOverAtMostTheGranularity() {
    QVERIFY(connectToTransmitter());
    link_->write(QByteArray("UR\x3CR\x3E"));
    QTRY_COMPARE(link_->bytesWaiting(), 2);
    QCOMPARE(link_->read(), QByteArray("N"));
    link_->setReadGranularity(4);
    QCOMPARE(link_->read(), QByteArray("U"));
  }

  void lettersWrittenRightBeforeCloseArrive() {
    QVERIFY(connectToTransmitter());
    link_->write("U");
    link_->write("Q");
    link_->close();
    QVERIFY(!link_->isOpen());
    QTRY_COMPARE(transmitter_->model().testTransmissions(), 1);
  }

  void nextConnectionStartsWithAFreshReady() {
    QVERIFY(connectToTransmitter());
    link_->write("UR\x05R\x06");
    QTRY_COMPARE(link_->bytesWaiting(), 2);  // left unread
    link_->write("E");
    link_->close();
    QTRY_VERIFY(!transmitter_->hasClient());

    QVERIFY(connectToTransmitter());
    QVERIFY(!transmitter_->model().inSession());
    QVERIFY(firstReplyIsOwn());
  }

  // A client that never read what the transmitter sent leaves it in the
  // terminal; the next one must not find it.
  void nothingLeftUnreadReachesTheNextClient() {
    const int other_client = ::open(pty_->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(other_client >= 0);
    QTRY_VERIFY(transmitter_->hasClient());
    QVERIFY(::write(other_client, "UR\x05", 3) == 3);
    QTRY_COMPARE(transmitter_->traffic().back().direction, Direction::ToClient);
    ::close(other_client);
    QTRY_VERIFY(!transmitter_->hasClient());

    QVERIFY(connectToTransmitter());
    QVERIFY(firstReplyIsOwn());
  }

  void missingDeviceFailsWithNumberAndDescription() {
    qputenv("QUARN_COM5", "/dev/ttyS-quarn-missing");
    const std::optional<PortError> error = link_->open();
    QVERIFY(error);
    QCOMPARE(error->number, int(QSerialPort::DeviceNotFoundError));
    QCOMPARE(error->description, QStringLiteral("No such file or directory: /dev/ttyS-quarn-missing"));
    QVERIFY(!link_->isOpen());
  }

  // A device flooding the line while nothing reads: the port keeps at most
  // its receive queue, the rest waits in the terminal (which then refuses
  // more), and the port still works afterwards.
  void aFloodWhileNobodyListensKeepsMemoryBounded() {
    const int master = openBareTerminal();
    QVERIFY(master >= 0);
    const QByteArray chunk(4096, 'x');
    qint64 accepted = 0;
    for (int round = 0; round < 200; ++round) {
      const auto n = ::write(master, chunk.constData(), std::size_t(chunk.size()));
      if (n > 0) accepted += n;
      QTest::qWait(1);
    }
    QVERIFY(link_->bytesWaiting() <= 1024);
    QVERIFY2(accepted < 200 * 4096, "the terminal should stop taking bytes once the port stops reading");
    while (link_->bytesWaiting() > 0) link_->read();
    QTRY_VERIFY(link_->bytesWaiting() > 0);  // reading goes on once there is room
    QVERIFY(link_->isOpen());
    link_->close();
    ::close(master);
  }

  // Bytes still queued when the far side hangs up: the close's flush meets
  // the hung-up terminal and the serial layer raises a read error inside the
  // close. That close was deliberate, so it reports no loss, and the port
  // opened next stays open.
  void anErrorWhileClosingLeavesTheNextOpeningAlone() {
    QSignalSpy lost(link_.get(), &SerialLink::lost);
    const int master = openBareTerminal();
    QVERIFY(master >= 0);
    link_->write(QByteArray(256 * 1024, 'x'));  // more than the terminal takes
    ::close(master);
    link_->close();

    link_->setPortNumber(port);
    QVERIFY(connectToTransmitter());
    QVERIFY(firstReplyIsOwn());
    QVERIFY(link_->isOpen());
    QCOMPARE(lost.count(), 0);
  }

  // A command is on the line when write() returns, not on a later pass of
  // the event loop: the session reports a step's progress right after it.
  void aWriteLeavesBeforeTheEventLoopRuns() {
    const int master = openBareTerminal();
    QVERIFY(master >= 0);
    link_->write(QByteArray("W") + char(5) + char(0x11));
    char sent[8] = {};
    const auto n = ::read(master, sent, sizeof sent);
    QCOMPARE(QByteArray(sent, int(std::max<ssize_t>(n, 0))), QByteArray("W") + char(5) + char(0x11));
    link_->close();
    ::close(master);
  }

  // A terminal whose far side is gone reads end-of-file, which QSerialPort
  // reports as a read error, and fails writes with a resource error.
  void vanishedDeviceClosesThePortAndReportsTheLoss() {
    QSignalSpy lost(link_.get(), &SerialLink::lost);
    QVERIFY(connectToTransmitter());
    const QString device = pty_->slavePath();
    pty_.reset();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!link_->isOpen());
    const auto error = lost.first().first().value<PortError>();
    QVERIFY(error.number == QSerialPort::ReadError || error.number == QSerialPort::ResourceError);
    QCOMPARE(error.description, "dispositivo scollegato: " + device);
  }

  // With no variable set, Com 1 is the first adapter of the system's list,
  // here the pseudo-terminal listed as a USB adapter after a native port.
  void comOneOpensTheFirstListedAdapter() {
    qunsetenv("QUARN_COM5");
    qunsetenv("QUARN_COM6");
    const QString device = pty_->slavePath();
    set_port_lister([device] {
      return std::vector<PortInfo>{{"/dev/ttyS-quarn-native", {}, {}, std::nullopt, std::nullopt, false, {}},
                                   {device, "FT232R USB UART", "FTDI", 0x0403, 0x6001, true, "usb-FTDI_A-if00-port0"}};
    });
    link_->setPortNumber(1);
    const bool connected = connectToTransmitter();
    QCOMPARE(link_->device(), device);
    link_->setPortNumber(2);
    link_->close();
    const std::optional<PortError> error = link_->open();
    set_port_lister(nullptr);
    QVERIFY(connected);
    QVERIFY(error);
    QCOMPARE(error->description, QStringLiteral("No such file or directory: /dev/ttyS-quarn-native"));
  }
};

QTEST_GUILESS_MAIN(TestQtSerialLink)
#include "test_qt_serial_link.moc"
