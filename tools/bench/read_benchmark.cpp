// Prints what a full read costs over a real serial port: starts quarn-emulator
// (its line paced at 2400 baud unless told otherwise) on a pseudo-terminal,
// connects through QSerialPort and reads cells 0 to 62, measuring wall time
// and this process's CPU time.
// Usage: quarn-read-benchmark [path of quarn-emulator] [rounds]

#include "link/transmitter_session.h"
#include "link/qt_serial_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <ctime>

using namespace quarn;

namespace {

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// 63 read steps of two bytes out and one back; each reply can only follow its
// request, so the line needs at least the time of all 189 bytes in a row.
constexpr double wire_limit_s = 189.0 / 240.0;

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QString emulator_path = argc > 1 ? argv[1] : QStringLiteral(QUARN_EMULATOR_PATH);
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

  QProcess emulator;
  emulator.setProcessChannelMode(QProcess::SeparateChannels);
  emulator.setStandardErrorFile(QProcess::nullDevice());
  emulator.start(emulator_path, {});
  if (!emulator.waitForStarted() || !emulator.waitForReadyRead(5000)) {
    std::fprintf(stderr, "cannot start %s\n", qPrintable(emulator_path));
    return 1;
  }
  const QByteArray device = emulator.readLine().trimmed();
  qputenv("QUARN_COM1", device);
  std::printf("%s serving on %s, %d rounds\n", qPrintable(emulator_path), device.constData(), rounds);
  std::printf("wire limit of a 63-cell read: 189 bytes at 240 bytes/s = %.4f s\n", wire_limit_s);

  QtSerialLink port;
  TransmitterSession session(port);
  QElapsedTimer wall;
  double cpu_start = 0;
  // Timing starts when the "U" has gone out, so the ready wait does not count.
  QObject::connect(&session, &TransmitterSession::sessionStarted, [&] {
    wall.start();
    cpu_start = cpu_seconds();
  });
  int failures = 0;
  for (int round = 1; round <= rounds; ++round) {
    session.connectAndRead([&](const Outcome& outcome, const ReadResult&) {
      // The read ends with the guard that listens for a reply too many.
      const double wall_s = double(wall.nsecsElapsed()) / 1e9 - TransmitterSession::reply_guard_ms / 1e3;
      const double cpu_s = cpu_seconds() - cpu_start;
      std::printf("round %d: read %s in %.4f s wall (%.0f%% of the wire limit; plus the %d ms guard), "
                  "CPU %.4f s (%.1f%% of wall)\n",
                  round, outcome.completed() ? "complete" : "FAILED", wall_s, 100 * wall_s / wire_limit_s,
                  TransmitterSession::reply_guard_ms, cpu_s, 100 * cpu_s / wall_s);
      if (!outcome.completed()) ++failures;
      session.endSession(letter::end);
      app.exit(0);
    });
    if (app.exec() != 0) ++failures;
  }
  emulator.terminate();
  emulator.waitForFinished(2000);
  return failures == 0 ? 0 : 1;
}
