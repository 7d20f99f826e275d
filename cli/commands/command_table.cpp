// quarnctl's commands, one row each: the name, the syntax and summary of the
// help, the options it takes and the function that runs it. The parser, the
// help and run() read this table alone.

#include "cli/command_line.h"

#ifndef QUARN_COMMANDS_UNLINKED
#include "cli/commands/commands.h"
#define QUARN_COMMAND(function) &command::function
#else
// The argument fuzzer links the parser without the commands' code.
#define QUARN_COMMAND(function) nullptr
#endif

namespace quarn::cli {

const std::vector<CommandSyntax>& command_syntaxes() {
  using enum Option;
  static const QString a_file = QStringLiteral("vuole un file di impostazioni");
  static const std::vector<CommandSyntax> commands{
      {"ports", {}, 0, {}, "porte seriali, la loro Com nella finestra e il permesso d'uso", {}, {},
       QUARN_COMMAND(ports)},
      {"read", {}, 0, {}, "legge il trasmettitore: tabella, file di impostazioni o JSON",
       {Output, Json, Port, Timeout, Trace}, {}, QUARN_COMMAND(read)},
      {"program", "FILE", 1, a_file, "programma il file (con le modifiche) e verifica la rilettura",
       {Set, NoBackup, Port, Timeout, Trace}, {}, QUARN_COMMAND(program)},
      {"defaults", "uhf|vhf", 1, "vuole uhf oppure vhf", "carica i valori di fabbrica della banda e li verifica",
       {Old, Force, NoBackup, Port, Timeout, Trace}, {}, QUARN_COMMAND(defaults)},
      {"test-tx", {}, 0, {}, "si collega e fa trasmettere una prova", {Port, Timeout, Trace}, {},
       QUARN_COMMAND(test_tx)},
      {"check", "FILE", 1, a_file, "senza porta: rifiuto o celle che sarebbero scritte", {Set}, {},
       QUARN_COMMAND(check)},
      {"diff", "A B", 2, "vuole due file di impostazioni (o \"device\")",
       "confronta due file (o \"device\"): impostazioni e celle", {Port, Timeout, Trace}, {}, QUARN_COMMAND(diff)},
      {"batch", "FILE", 1, a_file, "programma un lotto, un codice per unità a partire da N",
       {CodeFrom, Count, Report, Separator, StopOnError, Set, NoBackup, Port, Timeout, Trace}, {CodeFrom},
       QUARN_COMMAND(batch)},
      {"backups", {}, 0, {}, "i backup, dal più recente: data, codice, banda, tipo, lettura", {}, {},
       QUARN_COMMAND(backups)},
  };
  return commands;
}

}  // namespace quarn::cli
