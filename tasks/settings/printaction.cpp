#include "tasks/settings/printaction.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstddef>
#include <algorithm>
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

namespace {

// Where each field flagged in dmFields ends in the published layout.
struct FieldEnd {
  DWORD bit;
  size_t end;
};
#define QF_FIELD(bit, member) FieldEnd{bit, offsetof(DEVMODEA, member) + sizeof(DEVMODEA::member)}
const FieldEnd kFieldEnds[] = {
    QF_FIELD(DM_ORIENTATION, dmOrientation),   QF_FIELD(DM_PAPERSIZE, dmPaperSize),
    QF_FIELD(DM_PAPERLENGTH, dmPaperLength),   QF_FIELD(DM_PAPERWIDTH, dmPaperWidth),
    QF_FIELD(DM_SCALE, dmScale),               QF_FIELD(DM_COPIES, dmCopies),
    QF_FIELD(DM_DEFAULTSOURCE, dmDefaultSource), QF_FIELD(DM_PRINTQUALITY, dmPrintQuality),
    QF_FIELD(DM_POSITION, dmPosition),         QF_FIELD(DM_DISPLAYORIENTATION, dmDisplayOrientation),
    QF_FIELD(DM_DISPLAYFIXEDOUTPUT, dmDisplayFixedOutput), QF_FIELD(DM_COLOR, dmColor),
    QF_FIELD(DM_DUPLEX, dmDuplex),             QF_FIELD(DM_YRESOLUTION, dmYResolution),
    QF_FIELD(DM_TTOPTION, dmTTOption),         QF_FIELD(DM_COLLATE, dmCollate),
    QF_FIELD(DM_FORMNAME, dmFormName),         QF_FIELD(DM_LOGPIXELS, dmLogPixels),
    QF_FIELD(DM_BITSPERPEL, dmBitsPerPel),     QF_FIELD(DM_PELSWIDTH, dmPelsWidth),
    QF_FIELD(DM_PELSHEIGHT, dmPelsHeight),     QF_FIELD(DM_DISPLAYFLAGS, dmDisplayFlags),
    QF_FIELD(DM_NUP, dmNup),                   QF_FIELD(DM_DISPLAYFREQUENCY, dmDisplayFrequency),
    QF_FIELD(DM_ICMMETHOD, dmICMMethod),       QF_FIELD(DM_ICMINTENT, dmICMIntent),
    QF_FIELD(DM_MEDIATYPE, dmMediaType),       QF_FIELD(DM_DITHERTYPE, dmDitherType),
    QF_FIELD(DM_PANNINGWIDTH, dmPanningWidth), QF_FIELD(DM_PANNINGHEIGHT, dmPanningHeight),
};
#undef QF_FIELD

}  // namespace

std::vector<std::uint8_t> SanitisedDevMode(const std::vector<std::uint8_t>& block) {
  const size_t n = DevModeLength(block.data(), block.size());
  if (n == 0) return {};
  WORD dm_size = 0, extra = 0;
  std::memcpy(&dm_size, block.data() + offsetof(DEVMODEA, dmSize), sizeof dm_size);
  std::memcpy(&extra, block.data() + offsetof(DEVMODEA, dmDriverExtra), sizeof extra);
  const size_t public_size = std::max<size_t>(dm_size, sizeof(DEVMODEA));
  std::vector<std::uint8_t> out(public_size + extra, 0);
  std::memcpy(out.data(), block.data(), dm_size);
  std::memcpy(out.data() + public_size, block.data() + dm_size, extra);
  DWORD fields = 0;
  std::memcpy(&fields, out.data() + offsetof(DEVMODEA, dmFields), sizeof fields);
  for (const FieldEnd& f : kFieldEnds)
    if (f.end > dm_size) fields &= ~f.bit;
  // Bits of no field we know of say nothing the spooler could trust.
  DWORD known = 0;
  for (const FieldEnd& f : kFieldEnds) known |= f.bit;
  fields &= known;
  std::memcpy(out.data() + offsetof(DEVMODEA, dmFields), &fields, sizeof fields);
  const auto new_size = static_cast<WORD>(public_size);
  std::memcpy(out.data() + offsetof(DEVMODEA, dmSize), &new_size, sizeof new_size);
  return out;
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

bool CurrentPrinterSettings(const std::string& printer, std::vector<std::uint8_t>& devmode) {
  devmode.clear();
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr)) return false;
  const std::vector<std::uint8_t> info = PrinterInfo2(h.get());
  if (info.empty()) return false;
  const auto* pi = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
  if (!pi->pDevMode) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(pi->pDevMode);
  const size_t room = info.size() - static_cast<size_t>(bytes - info.data());
  const size_t n = bytes >= info.data() && bytes < info.data() + info.size() ? DevModeLength(bytes, room) : 0;
  if (n == 0) return false;
  devmode.assign(bytes, bytes + n);
  return true;
}

std::vector<std::uint8_t> PrinterInfo2(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterA(printer, 2, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<std::uint8_t> info(needed, 0);
  if (!GetPrinterA(printer, 2, info.data(), needed, &needed)) return {};
  return info;
}

bool ChoosePrinterSettings(HWND owner, CPrintAction& action) {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.Flags = PD_RETURNDEFAULT;
  PrintDlgA(&pd);
  // With the default printer's handles from the first call, Print Setup
  // opens on that printer.
  pd.Flags = PD_PRINTSETUP;
  const BOOL chosen = PrintDlgA(&pd);
  // The dialog may have replaced the handles: they are ours either way.
  winkit::GlobalHandle devmode(pd.hDevMode), devnames(pd.hDevNames);
  if (!chosen || !devmode) return false;
  const auto* dm = static_cast<const DEVMODEA*>(GlobalLock(devmode.get()));
  if (!dm) return false;
  action.SetDevMode(dm, GlobalSize(devmode.get()));
  GlobalUnlock(devmode.get());
  return true;
}

winkit::PrinterDc PrinterDcWithCurrentSettings(const std::string& printer) {
  std::vector<std::uint8_t> settings;
  const DEVMODEA* devmode =
      CurrentPrinterSettings(printer, settings) ? reinterpret_cast<const DEVMODEA*>(settings.data()) : nullptr;
  return winkit::CreatePrinterDc(printer, devmode);
}
