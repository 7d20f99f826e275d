#include "link/port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#ifndef Q_OS_WIN
#include <QSerialPortInfo>
#endif

#include <algorithm>
#include <tuple>

namespace quarn {

namespace {

PortLister& current_lister() {
  static PortLister lister;
  return lister;
}

QString variable_of(int number) {
  return qEnvironmentVariable(qPrintable(QStringLiteral("QUARN_COM%1").arg(number)));
}

// "ttyS10" sorts as ("ttyS", 10): numbers compare as numbers.
std::tuple<QString, qlonglong, QString> numeric_key(const QString& device) {
  static const QRegularExpression trailing_number(QStringLiteral("^(.*?)(\\d+)$"));
  const QRegularExpressionMatch match = trailing_number.match(device);
  if (!match.hasMatch()) return {device, -1, device};
  return {match.captured(1), match.captured(2).toLongLong(), device};
}

}  // namespace

#ifndef Q_OS_WIN  // Windows lists its COM ports in link/win32_ports.cpp
std::vector<PortInfo> system_ports() {
  // Every by-id link, by the device it leads to.
  QHash<QString, QString> stable_names;
  const QDir by_id(QStringLiteral("/dev/serial/by-id"));
  for (const QFileInfo& link : by_id.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    stable_names.insert(link.canonicalFilePath(), link.fileName());
  }
  std::vector<PortInfo> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortInfo port;
    port.device = info.systemLocation();
    port.description = info.description();
    port.manufacturer = info.manufacturer();
    if (info.hasVendorIdentifier()) port.vendor = info.vendorIdentifier();
    if (info.hasProductIdentifier()) port.product = info.productIdentifier();
    port.usb = info.hasVendorIdentifier() || info.portName().startsWith(QLatin1String("ttyUSB")) ||
               info.portName().startsWith(QLatin1String("ttyACM"));
    port.stable_name = stable_names.value(port.device);
    ports.push_back(port);
  }
  return ports;
}
#endif

void set_port_lister(PortLister lister) { current_lister() = std::move(lister); }

std::vector<PortInfo> listed_ports() {
  const PortLister& lister = current_lister();
  return ordered_ports(lister ? lister() : system_ports());
}

std::vector<PortInfo> ordered_ports(std::vector<PortInfo> ports) {
  std::stable_sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
    if (a.usb != b.usb) return a.usb;
    if (a.usb) {
      // An adapter with a by-id name goes before one without; then by name.
      const QString& key_a = a.stable_name.isEmpty() ? a.device : a.stable_name;
      const QString& key_b = b.stable_name.isEmpty() ? b.device : b.stable_name;
      if (a.stable_name.isEmpty() != b.stable_name.isEmpty()) return !a.stable_name.isEmpty();
      if (key_a != key_b) return key_a < key_b;
    }
    return numeric_key(a.device) < numeric_key(b.device);
  });
  return ports;
}

PortChoice port_choice(int number, const std::vector<PortInfo>& ports) {
  PortChoice choice;
  const auto listed = [&ports](const QString& device) -> std::optional<PortInfo> {
    const auto found = std::find_if(ports.begin(), ports.end(), [&](const PortInfo& p) { return p.device == device; });
    if (found == ports.end()) return std::nullopt;
    return *found;
  };
  if (const QString chosen = variable_of(number); !chosen.isEmpty()) {
    choice.device = chosen;
    choice.source = PortChoice::Source::Variable;
  } else {
#ifdef Q_OS_WIN
    choice.device = QStringLiteral("COM%1").arg(number);
    choice.source = PortChoice::Source::Listed;
#else
    if (number >= 1 && std::size_t(number) <= ports.size()) {
      choice.device = ports[std::size_t(number - 1)].device;
      choice.source = PortChoice::Source::Listed;
    } else {
      choice.device = QStringLiteral("/dev/ttyS%1").arg(number - 1);
      choice.source = PortChoice::Source::Fallback;
    }
#endif
  }
  choice.info = listed(choice.device);
  return choice;
}

QString device_name_for_port(int number) {
  // A variable names the device outright. Listing the system's ports reads
  // every terminal's entry under /sys (13 to 18 ms for 68 of them on the
  // development machine, more when its caches are cold), and a connect opens
  // the port inside the event loop: only a port found by listing pays for it.
  if (const QString chosen = variable_of(number); !chosen.isEmpty()) return chosen;
#ifdef Q_OS_WIN
  // COMN needs no list; only the variable can change it.
  return port_choice(number, {}).device;
#else
  return port_choice(number, listed_ports()).device;
#endif
}

QString port_choice_text(int number, const PortChoice& choice) {
  QString about;
  if (choice.info) {
    about = !choice.info->description.isEmpty() ? choice.info->description : choice.info->manufacturer;
  }
  switch (choice.source) {
    case PortChoice::Source::Variable: {
      const QString from = QStringLiteral("scelto con QUARN_COM%1").arg(number);
      about = about.isEmpty() ? from : about + QStringLiteral(" (") + from + u')';
      break;
    }
    case PortChoice::Source::Listed:
      if (about.isEmpty()) about = QStringLiteral("porta seriale");
      break;
    case PortChoice::Source::Fallback:
      about = QStringLiteral("porta nativa predefinita, non rilevata dal sistema");
      break;
  }
  return choice.device + QStringLiteral(" — ") + about;
}

}  // namespace quarn
