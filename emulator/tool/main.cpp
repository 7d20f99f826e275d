// quarn-emulator: a transmitter on a pseudo-terminal, for trying the
// configurator or any serial program without the device.

#include "emulator/pty_transmitter.h"
#include "emulator/tool/emulator_options.h"
#include "emulator/tool/stop_signals.h"
#include "link/standard_streams.h"

#include <QCoreApplication>

#include <cstdio>

using namespace quarn;

int main(int argc, char* argv[]) {
  reopen_closed_standard_streams();
  block_stop_signals();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quarn-emulator"));
  const auto parsed = parse_emulator_options(QCoreApplication::arguments());
  if (const auto* stop = std::get_if<EmulatorOptionsStop>(&parsed)) {
    std::fputs(qPrintable(stop->text), stop->to_output ? stdout : stderr);
    return stop->status;
  }
  const EmulatorOptions& options = std::get<EmulatorOptions>(parsed);

  EmulatedTransmitter transmitter(
      TransmitterModel(factory_default_cells(options.band, options.generation), options.faults), options.timing);
  PtyTransmitter pty(transmitter);
  if (!options.link_path.isEmpty()) pty.setLinkPath(options.link_path);
  if (const std::optional<QString> error = pty.open()) {
    std::fprintf(stderr, "quarn-emulator: %s\n", qPrintable(*error));
    return EXIT_FAILURE;
  }
  std::printf("%s\n", qPrintable(pty.clientPath()));
  std::fflush(stdout);

  QObject::connect(&transmitter, &EmulatedTransmitter::trafficLogged, [](const TrafficEntry& entry) {
    std::fprintf(stderr, "%s\n", qPrintable(format_traffic(entry)));
  });
  QObject::connect(&transmitter, &EmulatedTransmitter::clientChanged, [](bool connected) {
    std::fprintf(stderr, "%s\n", connected ? "-- client opened the port" : "-- client closed the port");
  });
  QObject::connect(&transmitter, &EmulatedTransmitter::vanished, [&pty] {
    if (pty.isOpen()) {
      std::fprintf(stderr, "-- device went away and came back on %s\n", qPrintable(pty.slavePath()));
    } else {
      std::fprintf(stderr, "-- device went away\n");
    }
  });
  quit_on_stop_signals(app);
  const int status = app.exec();
  // How closely the deliveries kept to the line's plan over the whole run.
  std::fprintf(stderr, "-- %s\n", qPrintable(format_lateness(lateness_of(transmitter.traffic()))));
  if (transmitter.droppedInput() > 0) {
    std::fprintf(stderr, "-- dropped %lld bytes the device had no room for\n",
                 static_cast<long long>(transmitter.droppedInput()));
  }
  return status;
}
