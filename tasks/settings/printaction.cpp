#include "tasks/settings/printaction.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstddef>
#include <cstring>

#include "winkit/handles.h"

CPrintAction::CPrintAction() : Data(std::make_unique<ActionStruct>()) {
  std::memset(Data.get(), 0, sizeof(ActionStruct));
}

CPrintAction::CPrintAction(const CPrintAction& other) : CPrintAction() {
  *this = other;
}

CPrintAction& CPrintAction::operator=(const CPrintAction& other) {
  if (this == &other) return *this;
  if (!Data) Data = std::make_unique<ActionStruct>();
  *Data = *other.Data;
  DevMode = other.DevMode;
  Separator = other.Separator;
  return *this;
}

size_t DevModeLength(const std::uint8_t* data, size_t size) {
  // The header up to dmFields holds the name, the sizes and the flags word.
  constexpr size_t kHeader = offsetof(DEVMODEA, dmFields) + sizeof(DWORD);
  if (!data || size < kHeader) return 0;
  WORD dm_size = 0, extra = 0;
  std::memcpy(&dm_size, data + offsetof(DEVMODEA, dmSize), sizeof dm_size);
  std::memcpy(&extra, data + offsetof(DEVMODEA, dmDriverExtra), sizeof extra);
  const size_t n = size_t{dm_size} + extra;
  if (dm_size < kHeader || n > size) return 0;
  return n;
}

std::string CompletePrinterName(const std::string& device_name) {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  if (needed == 0) return device_name;
  std::vector<BYTE> buf(needed);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buf.data(), needed, &needed, &count))
    return device_name;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) {
    const char* name = info[i].pPrinterName;
    if (name && std::strncmp(name, device_name.c_str(), device_name.size()) == 0) return name;
  }
  return device_name;
}

void CPrintAction::SetDevMode(const DEVMODEA* dm, size_t available) {
  if (!dm) return;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(dm);
  const size_t n = DevModeLength(bytes, available == SIZE_MAX ? size_t{dm->dmSize} + dm->dmDriverExtra : available);
  if (n == 0) return;
  DevMode.assign(bytes, bytes + n);
  const char* dev = reinterpret_cast<const char*>(dm->dmDeviceName);
  const std::string device(dev, strnlen(dev, CCHDEVICENAME));
  if (!SetField(Data->PrinterName, CompletePrinterName(device))) SetField(Data->PrinterName, device);
}

bool DefaultPrinterSettings(std::vector<std::uint8_t>& devmode, std::string& name) {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_RETURNDEFAULT;
  devmode.clear();
  name.clear();
  if (!PrintDlgA(&pd)) return false;
  winkit::GlobalHandle dm_mem(pd.hDevMode), names_mem(pd.hDevNames);
  if (names_mem) {
    if (auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names_mem.get()))) {
      name = reinterpret_cast<const char*>(dn) + dn->wDeviceOffset;
      GlobalUnlock(names_mem.get());
    }
  }
  if (dm_mem) {
    const size_t avail = GlobalSize(dm_mem.get());
    if (auto* dm = static_cast<const std::uint8_t*>(GlobalLock(dm_mem.get()))) {
      const size_t n = DevModeLength(dm, avail);
      devmode.assign(dm, dm + n);
      GlobalUnlock(dm_mem.get());
    }
  }
  return !devmode.empty();
}

bool GetPrinterDefaults(const std::string& printer, std::vector<std::uint8_t>& devmode) {
  devmode.clear();
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr)) return false;
  const LONG size = DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(printer.c_str()), nullptr, nullptr, 0);
  if (size <= 0) return false;
  std::vector<std::uint8_t> buf(static_cast<size_t>(size));
  if (DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(printer.c_str()), reinterpret_cast<DEVMODEA*>(buf.data()),
                          nullptr, DM_OUT_BUFFER) != IDOK)
    return false;
  const size_t n = DevModeLength(buf.data(), buf.size());
  devmode.assign(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
  return n > 0;
}
