#include "cli/run.h"

#include "cli/commands/commands.h"
#include "cli/terminal.h"

namespace quarn::cli {
namespace {

// A trace that cannot be written stops the command before the port opens.
Result<std::shared_ptr<TrafficTrace>> open_trace(const QString& path, const PortChoice& port) {
  auto trace = std::make_shared<TrafficTrace>();
  const QString device = port.device.isEmpty() ? device_name_for_port(port.number) : port.device;
  const TraceHeader header{
      .program = "quarnctl", .version = QStringLiteral(QUARN_VERSION), .port = port_label(port.number, device)};
  if (auto problem = trace->open(path, header)) return TraceFailed{*problem};
  return trace;
}

}  // namespace

int run(const QStringList& arguments) {
  const auto parsed = parse_arguments(arguments);
  if (const auto* answer = std::get_if<Answer>(&parsed)) {
    out(answer->text);
    return exit_code::done;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) return say(*usage);
  Invocation invocation{.arguments = std::get<Arguments>(parsed)};
  const auto port = port_choice_of(invocation.arguments.port);
  if (const auto* usage = std::get_if<UsageError>(&port)) return say(*usage);
  invocation.port = std::get<PortChoice>(port);
  if (!invocation.arguments.trace.isEmpty()) {
    const auto trace = open_trace(invocation.arguments.trace, invocation.port);
    if (!trace.ok()) return say(trace.failure());
    invocation.trace = trace.value();
  }
  StopSignals stops;
  invocation.stops = &stops;
  const CommandSyntax* command = command_named(invocation.arguments.command);
  if (!command || !command->run) return say(UsageError{"Comando senza esecuzione: " + invocation.arguments.command});
  const Result<int> ran = command->run(invocation);
  int code = ran.ok() ? ran.value() : say(ran.failure());
  // A trace that stopped taking lines did not stop the run: it is said after it.
  if (invocation.trace && invocation.trace->failure()) {
    const int trace_code = say(TraceFailed{*invocation.trace->failure()});
    if (code == exit_code::done) code = trace_code;
  }
  if (const auto signal = stops.first()) {
    err("Interrotto da " + StopSignals::name(*signal) + '\n');
    return exit_code::signalled_base + *signal;
  }
  return code;
}

}  // namespace quarn::cli
