#include "engine/printswitch.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "app/base/log.h"
#include "app/base/wholefile.h"
#include "drivers/pdfdriver.h"
#include "engine/core/lpoptions.h"
#include "engine/core/osdescription.h"
#include "engine/core/processctl.h"
#include "engine/jobsource.h"
#include "winkit/handles.h"

namespace {

constexpr DWORD kBroadcastTimeoutMs = 1000;

void Log(const std::string& text) { WriteLog(LogStamp() + text); }

DWORD PlatformId(DWORD* major = nullptr) {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&v);
#pragma GCC diagnostic pop
  if (major) *major = v.dwMajorVersion;
  return v.dwPlatformId;
}

void BroadcastIniChange(const char* section) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(section),
                      SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &ignored);
}

// The Windows 95/98 way: the printer's "default" attribute.
bool MakeDefault9x(const std::string& printer) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr) || !h) return false;
  std::vector<std::uint8_t> info = PrinterInfo2(h.get());
  if (info.empty()) return false;
  auto* pi = reinterpret_cast<PRINTER_INFO_2A*>(info.data());
  pi->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
  if (!SetPrinterA(h.get(), 2, info.data(), 0)) return false;
  BroadcastIniChange("windows");
  return true;
}

// NT 4 and earlier: the "device" value of the profile's "windows" section.
bool MakeDefaultNt4(const std::string& printer) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr) || !h) return false;
  std::vector<std::uint8_t> info = PrinterInfo2(h.get());
  if (info.empty()) return false;
  const auto* pi = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
  if (!pi->pDriverName || !pi->pPortName) return false;
  const std::string device = printer + "," + pi->pDriverName + "," + pi->pPortName;
  return WriteProfileStringA("windows", "device", device.c_str()) != FALSE;
}

// Windows 2000 and later: the spooler's set-default-printer call, taken by
// its ordinal.
bool MakeDefaultNt5(const std::string& printer) {
  using SetDefaultFn = BOOL(WINAPI*)(LPCSTR);
  HMODULE spooler = GetModuleHandleA("winspool.drv");
  if (!spooler) spooler = LoadLibraryA("winspool.drv");
  const auto set_default = spooler ? reinterpret_cast<SetDefaultFn>(reinterpret_cast<void*>(
                                         GetProcAddress(spooler, MAKEINTRESOURCEA(202))))
                                   : nullptr;
  if (set_default && set_default(printer.c_str())) return true;
  const DWORD error = set_default ? GetLastError() : ERROR_PROC_NOT_FOUND;
  SetLastError(error);
  ShowLastError();
  SetLastError(error);
  return false;
}

// Under Wine the next process takes its default printer from CUPS: the
// choice is kept as the user's CUPS default as well.
void KeepAsCupsDefault(const std::string& printer) {
  const std::string file = CupsUserOptionsFile();
  const std::string queue = CupsQueueOf(printer);
  if (file.empty() || queue.empty()) return;
  if (!WriteCupsUserDefault(file, queue)) Log("The CUPS default printer could not be kept in " + file);
}

// The fields the stored settings carry, for the merge into the printer's:
// those it flags, and the printer fields it holds a value for.
DWORD MergeFields(const DEVMODEA& dm) {
  DWORD fields = dm.dmFields | DM_PAPERSIZE;
  if (dm.dmOrientation) fields |= DM_ORIENTATION;
  if (dm.dmCopies) fields |= DM_COPIES;
  if (dm.dmDefaultSource) fields |= DM_DEFAULTSOURCE;
  if (dm.dmPrintQuality) fields |= DM_PRINTQUALITY;
  if (dm.dmColor) fields |= DM_COLOR;
  if (dm.dmDuplex) fields |= DM_DUPLEX;
  if (dm.dmCollate == DMCOLLATE_TRUE) fields |= DM_COLLATE;
  if (dm.dmScale) fields |= DM_SCALE;
  // Display fields have no meaning for a printer.
  fields &= ~(DM_POSITION | DM_DISPLAYORIENTATION | DM_DISPLAYFIXEDOUTPUT | DM_BITSPERPEL | DM_PELSWIDTH |
              DM_PELSHEIGHT | DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY | DM_PANNINGWIDTH | DM_PANNINGHEIGHT);
  return fields;
}

void SetFieldsWord(std::vector<std::uint8_t>& devmode, DWORD fields) {
  if (devmode.size() >= offsetof(DEVMODEA, dmFields) + sizeof(DWORD))
    std::memcpy(devmode.data() + offsetof(DEVMODEA, dmFields), &fields, sizeof fields);
}

bool ApplyNt(CPrintAction& action, const std::string& name, const std::string& os) {
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), h.put(), &defaults)) {
    const DWORD e = GetLastError();
    if (e == ERROR_ACCESS_DENIED) {
      Log("Can not change net printer setting!" + name + " Fail! OS:" + os + ",ErrorNo:" + std::to_string(e));
      return true;
    }
    WriteErrorLog(LogStamp() + "Open Printer " + name + " Fail! OS:" + os + "ErrorNo:" + std::to_string(e));
    LogSystemError(e);
    return false;
  }
  std::vector<std::uint8_t> info = PrinterInfo2(h.get());
  if (info.empty()) {
    const DWORD e = GetLastError();
    Log("Call GetPrinter 2 Fail!,Printer:" + name + " OS:" + os + ",ErrorNo:" + std::to_string(e));
    LogSystemError(e);
    return false;
  }
  auto* pi = reinterpret_cast<PRINTER_INFO_2A*>(info.data());
  pi->pSecurityDescriptor = nullptr;
  std::string separator = action.SeparatorText();
  pi->pSepFile = separator.data();

  // The stored block may come from a file: only a sanitised copy goes to the
  // spooler, and the answer goes into a block of the size the driver asks.
  std::vector<std::uint8_t> merged;
  std::vector<std::uint8_t> given = SanitisedDevMode(action.DevMode);
  if (!given.empty()) {
    auto* in = reinterpret_cast<DEVMODEA*>(given.data());
    in->dmFields = MergeFields(*in);
    const LONG needed = DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(name.c_str()), nullptr, nullptr, 0);
    merged.assign(std::max<size_t>(needed > 0 ? static_cast<size_t>(needed) : 0, given.size()), 0);
    const LONG r = DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(name.c_str()),
                                       reinterpret_cast<DEVMODEA*>(merged.data()), in, DM_IN_BUFFER | DM_OUT_BUFFER);
    if (r < 0) {
      const DWORD e = GetLastError();
      Log("Call DocumentProperties:" + name + " Fail!" + " OS:" + os + ",ErrorNo:" + std::to_string(e));
      return false;
    }
    const size_t n = DevModeLength(merged.data(), merged.size());
    if (n > 0) merged.resize(n);
    pi->pDevMode = reinterpret_cast<DEVMODEA*>(merged.data());
  } else {
    pi->pDevMode = nullptr;  // the printer keeps its own settings
  }
  if (!SetPrinterA(h.get(), 2, info.data(), 0)) {
    const DWORD e = GetLastError();
    Log("SetPrinter Printer:" + name + " Fail!" + " OS:" + os + ",ErrorNo:" + std::to_string(e));
    LogSystemError(e);
    return false;
  }
  // The stored record keeps the printer's complete settings, flagged with
  // the paper size alone as before.
  if (!merged.empty()) action.DevMode = merged;
  SetFieldsWord(action.DevMode, DM_PAPERSIZE);
  return true;
}

bool Apply9x(CPrintAction& action, const std::string& name, const std::string& os) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), h.put(), nullptr)) {
    const DWORD e = GetLastError();
    const std::string head = e == ERROR_ACCESS_DENIED ? "Open Printer " : "Open Printer";
    Log(head + name + " Fail! OS:" + os + ",ErrorNo:" + std::to_string(e));
    LogSystemError(e);
    return e == ERROR_ACCESS_DENIED;
  }
  std::vector<std::uint8_t> given = SanitisedDevMode(action.DevMode);
  if (given.empty()) return true;
  const LONG r = DocumentPropertiesA(nullptr, h.get(), const_cast<char*>(name.c_str()), nullptr,
                                     reinterpret_cast<DEVMODEA*>(given.data()), DM_IN_BUFFER | DM_UPDATE);
  if (r < 0) {
    h.reset();
    const DWORD e = GetLastError();
    Log("SetPrinter Printer:" + name + " Fail!" + "OS:" + os + ",ErrorNo:" + std::to_string(e));
    LogSystemError(e);
    return false;
  }
  return true;
}

}  // namespace

std::string CupsQueueOf(const std::string& printer) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr)) return {};
  return CupsQueueOfPrinter(h.get());
}

std::string CupsUserOptionsFile() {
  char home[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
  if (n == 0 || n >= sizeof home) return {};
  std::string dir = home;  // "\??\Z:\root"
  if (dir.compare(0, 4, "\\??\\") == 0) dir.erase(0, 4);
  if (dir.size() < 2 || dir[1] != ':') return {};
  return dir + "\\.cups\\lpoptions";
}

bool WriteCupsUserDefault(const std::string& path, const std::string& queue) {
  Bytes old;
  ReadWholeFile(path, old, 1 << 20, FILE_SHARE_READ | FILE_SHARE_WRITE);
  const std::string out = CupsOptionsWithDefault(std::string(old.begin(), old.end()), queue);
  const size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos) CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  // Through a new file renamed into place: CUPS never reads half a file.
  const std::string temp = path + ".qfnew";
  if (!WriteWholeFile(temp, Bytes(out.begin(), out.end()))) {
    DeleteFileA(temp.c_str());
    return false;
  }
  if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(temp.c_str());
  return false;
}

bool MakeDefaultPrinter(const std::string& printer) {
  DWORD major = 0;
  const DWORD platform = PlatformId(&major);
  bool ok = true;
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    ok = MakeDefault9x(printer);
  } else if (platform == VER_PLATFORM_WIN32_NT && major >= 5) {
    ok = MakeDefaultNt5(printer);
  } else if (platform == VER_PLATFORM_WIN32_NT) {
    ok = MakeDefaultNt4(printer);
  }
  if (!ok) return false;
  KeepAsCupsDefault(printer);
  BroadcastIniChange(nullptr);
  return true;
}

bool ApplyPrinterSettings(CPrintAction& action) {
  CloseAcrobat();
  const std::string os = OsDescription();
  const std::string name = action.Data->PrinterName;
  if (!MakeDefaultPrinter(name)) {
    const DWORD code = GetLastError();
    Log("Set Default Printer " + name + " Fail! OS:" + os);
    const std::string text = SystemErrorText(code);
    if (!text.empty()) WriteLog(text);
    return false;
  }
  Log("Change Default Printer to " + name + " Success! OS:" + os);
  const bool ok = PlatformId() == VER_PLATFORM_WIN32_WINDOWS ? Apply9x(action, name, os) : ApplyNt(action, name, os);
  if (!ok) return false;
  // Every window learns of the new settings; a window that does not answer
  // is not waited for.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_DEVMODECHANGE, 0, reinterpret_cast<LPARAM>(name.c_str()),
                      SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &ignored);
  return true;
}
