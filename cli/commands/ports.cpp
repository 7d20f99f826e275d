#include "cli/commands/commands.h"

#include "cli/terminal.h"
#include "link/port_names.h"

namespace quarn::cli::command {

// Every serial port with its "Com" in the window, in the window's order, so
// that the first one listed is "Com 1".
Result<int> ports(const Invocation&) {
  const std::vector<PortInfo> ports = ordered_ports(system_ports());
  std::vector<QString> coms;
  for (int n = SerialLink::first_port; n <= SerialLink::last_port; ++n) coms.push_back(port_choice(n, ports).device);
  QString text;
  bool refused = false;
  for (const PortInfo& info : ports) {
    QString com;
    for (int n = SerialLink::first_port; n <= SerialLink::last_port; ++n) {
      if (coms[std::size_t(n - SerialLink::first_port)] == info.device) com = QString("Com %1").arg(n);
    }
    QString ids = "-";
    if (info.vendor && info.product) {
      ids = QString("%1:%2").arg(*info.vendor, 4, 16, QChar('0')).arg(*info.product, 4, 16, QChar('0'));
    }
    const bool may = may_open(info.device);
    refused = refused || !may;
    text += QString("%1\n  descrizione: %2\n  produttore: %3\n  USB: %4\n  nella finestra: %5\n  accesso: %6\n")
                .arg(info.device, info.description.isEmpty() ? "-" : info.description,
                     info.manufacturer.isEmpty() ? "-" : info.manufacturer, ids,
                     com.isEmpty() ? QString("nessuna Com") : com, may ? QStringLiteral("si") : QStringLiteral("no"));
    if (!info.stable_name.isEmpty()) text += QString("  by-id: %1\n").arg(info.stable_name);
  }
  if (ports.empty()) text += "Nessuna porta seriale trovata\n";
  out(text);
  if (refused) {
    err("Manca il permesso su alcune porte: l'utente non e' nel gruppo dialout.\n"
        "Aggiungerlo con:  sudo adduser $USER dialout  e poi uscire e rientrare nella sessione.\n");
  }
  return exit_code::done;
}

}  // namespace quarn::cli::command
