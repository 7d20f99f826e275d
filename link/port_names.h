#pragma once
// Which device stands behind "Com <n>".
//
// On Linux "Com N" is the N-th serial port the system lists: USB and ACM
// adapters first, in the order of their /dev/serial/by-id names (stable across
// replugging), then the native ports that exist. Past the end of that list
// "Com N" is /dev/ttyS<N-1>. The variable QUARN_COM<n>, when set and not
// empty, names the device of that one entry. On Windows "Com N" is COMN.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace quarn {

// One serial port as the system lists it.
struct PortInfo {
  QString device;        // /dev/ttyUSB0
  QString description;   // FT232R USB UART
  QString manufacturer;  // FTDI
  std::optional<quint16> vendor, product;
  bool usb = false;
  QString stable_name;   // its /dev/serial/by-id name; empty when it has none
};

// Lists the serial ports of the machine, in any order.
using PortLister = std::function<std::vector<PortInfo>()>;

// The system's list: QSerialPortInfo with the /dev/serial/by-id names; on
// Windows the registry's COM ports with their names from Device Manager.
std::vector<PortInfo> system_ports();

// Replaces the lister that device_name_for_port() consults; an empty function
// brings back system_ports(). For tests and front ends with a list of their own.
void set_port_lister(PortLister lister);

// The current lister's ports, in "Com" order.
std::vector<PortInfo> listed_ports();

// The ports in "Com" order: adapters by stable name (device name when they
// have none), then native ports in numeric order (ttyS2 before ttyS10).
std::vector<PortInfo> ordered_ports(std::vector<PortInfo> ports);

// What stands behind one "Com" entry, and why.
struct PortChoice {
  enum class Source { Variable, Listed, Fallback };
  QString device;
  Source source = Source::Fallback;
  std::optional<PortInfo> info;  // the listed port of that device, if any
};

// The device of "Com <number>" among `ports` (already in "Com" order).
PortChoice port_choice(int number, const std::vector<PortInfo>& ports);

// The device of port n, through the current lister.
QString device_name_for_port(int number);

// The tooltip of a "Com" entry: "/dev/ttyUSB0 — FT232R USB UART".
QString port_choice_text(int number, const PortChoice& choice);

}  // namespace quarn
