// The COM ports of a Windows machine: every port the serial drivers have
// registered under HARDWARE\DEVICEMAP\SERIALCOMM, named and identified as
// Device Manager shows them where the system knows the device.

#include "link/port_names.h"

#include <QHash>
#include <QRegularExpression>

#include <qt_windows.h>
// initguid.h first: devguid.h then defines GUID_DEVCLASS_PORTS here.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

namespace quarn {

namespace {

QString registry_text(HKEY key, const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return QString::fromWCharArray(value);
}

QString device_property(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t value[512] = {};
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, reinterpret_cast<BYTE*>(value),
                                         sizeof value - 2 * sizeof(wchar_t), nullptr)) {
    return {};
  }
  return QString::fromWCharArray(value);  // a list's first entry
}

std::optional<quint16> hex_field(const QString& hardware_id, const char* field) {
  const QRegularExpression pattern(QStringLiteral("%1_([0-9A-Fa-f]{4})").arg(QLatin1String(field)));
  const QRegularExpressionMatch match = pattern.match(hardware_id);
  if (!match.hasMatch()) return std::nullopt;
  return quint16(match.captured(1).toUInt(nullptr, 16));
}

// What Device Manager knows of the present ports, by COM name.
QHash<QString, PortInfo> known_devices() {
  QHash<QString, PortInfo> known;
  const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return known;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    PortInfo port;
    port.device = registry_text(key, L"PortName");
    RegCloseKey(key);
    if (port.device.isEmpty()) continue;
    // "USB Serial Port (COM3)": the port's name is said elsewhere.
    port.description = device_property(devices, device, SPDRP_FRIENDLYNAME);
    port.description.remove(QStringLiteral(" (%1)").arg(port.device));
    port.manufacturer = device_property(devices, device, SPDRP_MFG);
    const QString hardware_id = device_property(devices, device, SPDRP_HARDWAREID);
    port.vendor = hex_field(hardware_id, "VID");
    port.product = hex_field(hardware_id, "PID");
    port.usb = port.vendor.has_value();
    known.insert(port.device, port);
  }
  SetupDiDestroyDeviceInfoList(devices);
  return known;
}

}  // namespace

std::vector<PortInfo> system_ports() {
  std::vector<PortInfo> ports;
  HKEY map = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &map) != ERROR_SUCCESS) {
    return ports;
  }
  const QHash<QString, PortInfo> known = known_devices();
  for (DWORD i = 0;; ++i) {
    wchar_t driver_name[256] = {};  // \Device\Serial0, \Device\VCP0
    DWORD name_length = 255;
    if (RegEnumValueW(map, i, driver_name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const QString device = registry_text(map, driver_name);
    if (device.isEmpty()) continue;
    PortInfo port = known.value(device);
    port.device = device;
    ports.push_back(port);
  }
  RegCloseKey(map);
  return ports;
}

}  // namespace quarn
