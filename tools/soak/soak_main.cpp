// quarn-soak: N cycles of connect and read, programming with read-back, a
// factory set and a test transmission against the unpaced emulated
// transmitter on a pseudo-terminal, through the real serial port class, the
// transfer service and, every fourth cycle, the main window offscreen. Each
// cycle switches on random faults (seeded) and checks that every operation
// ends, reports what the device did, and leaves the memory as it reports.
// Resident memory, descriptors, QObjects and timers are printed every 100
// cycles and must not grow after the warm-up.
//
//   quarn-soak [--cycles N] [--seed S]
//
// Exit status: 0 when every invariant held and nothing grew; 1 otherwise;
// 2 for a bad command line, no pseudo-terminal or no object hooks.

#include "tools/soak/live_objects.h"
#include "tools/soak/random_faults.h"
#include "tools/soak/resource_figures.h"
#include "tools/soak/service_cycle.h"
#include "tools/soak/window_cycle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace quarn;
using namespace quarn::soak;

namespace {

void print(const QString& line) {
  std::fputs(qPrintable(line + u'\n'), stdout);
  std::fflush(stdout);
}

constexpr int window_every = 4;  // every fourth cycle drives the window
constexpr int report_every = 100;

// What may grow after the warm-up. Descriptors and objects are counted
// between cycles, when nothing of a cycle is left: no growth at all. One
// timer: Qt's pixmap cache runs its 30 s flush timer only while it holds
// pixmaps, so it comes and goes. Memory: allocator noise and Qt's caches;
// 1000 cycles grew it by about 400 KiB.
GrowthTolerance tolerance() {
#if defined(__SANITIZE_ADDRESS__)
  const long resident_kib = -1;  // the sanitizer's quarantine keeps freed memory by design
#else
  const long resident_kib = 2048;
#endif
  return {resident_kib, 0, 0, 1};
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!follow_live_objects()) {
    std::fputs("quarn-soak: this Qt offers no object hooks to count objects and timers\n", stderr);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addOption({"cycles", "Cycles to run (1000).", "N", "1000"});
  parser.addOption({"seed", "Seed of the faults and values (random).", "S"});
  parser.process(app);
  bool ok = false;
  const int cycles = parser.value("cycles").toInt(&ok);
  if (!ok || cycles < 1) {
    std::fputs("quarn-soak: --cycles wants a positive number\n", stderr);
    return 2;
  }
  const unsigned seed = parser.isSet("seed") ? parser.value("seed").toUInt(&ok) : std::random_device{}();
  if (!ok) {
    std::fputs("quarn-soak: --seed wants a number from 0 to 4294967295\n", stderr);
    return 2;
  }
  std::mt19937 random(seed);

  QTemporaryDir folder;
  BackupStore backups(folder.filePath("backups"));
  ServiceCycles service(backups);
  WindowCycles window(backups);

  print(QStringLiteral("quarn-soak: %1 cycles, seed %2").arg(cycles).arg(seed));
  const ResourceFigures start = sample_resources();
  print(QStringLiteral("start: ") + describe(start));
  // The warm-up: a tenth of the run, at least one cycle of each kind.
  const int warm_up = std::max(window_every, cycles / 10);
  ResourceFigures warm = start;
  int broken_cycles = 0;
  QElapsedTimer clock;
  clock.start();

  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const CycleFaults faults = random_faults(random);
    const MemoryImage memory = factory_default_cells(random() % 2 ? Band::Uhf : Band::Vhf,
                                                     random() % 2 ? Generation::New : Generation::Old);
    const bool through_window = cycle % window_every == 0;
    CycleLog log;
    {
      SoakDevice device(memory, faults.faults);
      if (const auto& error = device.error()) {
        print(QStringLiteral("quarn-soak: no pseudo-terminal: ") + *error);
        return 2;
      }
      if (through_window) {
        window.run(device, faults.none(), random, log);
      } else {
        service.run(device, faults.none(), random, log);
      }
    }
    if (!log.broken().isEmpty()) {
      ++broken_cycles;
      print(QStringLiteral("cycle %1 (%2, faults: %3): %4")
                .arg(cycle)
                .arg(through_window ? "window" : "service")
                .arg(faults.none() ? QStringLiteral("none") : faults.names.join(", "))
                .arg(log.broken().join("; ")));
    }
    if (cycle == warm_up) warm = sample_resources();
    if (cycle % report_every == 0 && cycle != cycles) {
      print(QStringLiteral("cycle %1, %2 s: ").arg(cycle).arg(clock.elapsed() / 1000.0, 0, 'f', 1) + describe(sample_resources()));
    }
  }

  const ResourceFigures end = sample_resources();
  print(QStringLiteral("end, %1 s: ").arg(clock.elapsed() / 1000.0, 0, 'f', 1) + describe(end));
  print(QStringLiteral("after warm-up (cycle %1): ").arg(warm_up) + describe(warm));
  const QString grown = growth_beyond(warm, end, tolerance());
  if (!grown.isEmpty()) print(QStringLiteral("grew: ") + grown);
  print(QStringLiteral("%1 of %2 cycles broke an invariant (seed %3)").arg(broken_cycles).arg(cycles).arg(seed));
  return broken_cycles == 0 && grown.isEmpty() ? 0 : 1;
}
