// Port enumeration: the registry's device map, then SetupAPI for names.
#include "platform/windows/port_list.h"

#include <windows.h>
// initguid before devguid: GUID_DEVCLASS_PORTS is defined here, not linked.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <string>

#include "platform/windows/text_conversion.h"

namespace zanteq::platform {

namespace {

constexpr DWORD name_chars = 256;

// A REG_SZ value read as text; empty when it is not one.
std::wstring registry_text(HKEY key, const wchar_t* value_name) {
  wchar_t text[name_chars] = {};
  DWORD type = 0;
  DWORD bytes = sizeof text - sizeof(wchar_t);  // room for a terminator the value may lack
  if (RegQueryValueExW(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return text;
}

void add_device_map_ports(std::vector<PresentPort>& ports) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t value_name[name_chars] = {};
    wchar_t data[name_chars] = {};
    DWORD name_length = name_chars;
    DWORD data_bytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, value_name, &name_length, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &data_bytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;  // too long or not text: not a port name
    const int com_port = com_port_of_name(wide_to_utf8(data));
    if (com_port >= 0) ports.push_back({com_port, ""});
  }
  RegCloseKey(key);
}

void add_setupapi_names(std::vector<PresentPort>& ports) {
  const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    const std::wstring port = registry_text(key, L"PortName");  // LPT ports are in this class too
    RegCloseKey(key);
    const int com_port = com_port_of_name(wide_to_utf8(port));
    if (com_port < 0) continue;
    wchar_t friendly[name_chars] = {};
    DWORD type = 0;
    std::string name;
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                          reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                          nullptr) &&
        type == REG_SZ) {
      name = wide_to_utf8(friendly);
    }
    ports.push_back({com_port, name});
  }
  SetupDiDestroyDeviceInfoList(devices);
}

}  // namespace

std::vector<PresentPort> present_ports() {
  std::vector<PresentPort> ports;
  add_device_map_ports(ports);
  add_setupapi_names(ports);
  return ports;
}

}  // namespace zanteq::platform
