#pragma once
// Print settings and watch task in one record.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/base/fixedtext.h"
#include "app/base/postprint.h"
#include "winkit/printjob.h"


struct ActionStruct {
  char FileExt[kPathChars];
  char PrinterName[kPathChars];
  char Folder[kPathChars];
  char MoveToFolder[kPathChars];
  std::int32_t Action;
  bool MoveFailed;
};



class CPrintAction {
 public:
  CPrintAction();
  // Copies are made field by field: texts, separator, action, flag and a
  // fresh copy of the printer settings.
  CPrintAction(const CPrintAction& other);
  CPrintAction& operator=(const CPrintAction& other);
  CPrintAction(CPrintAction&&) noexcept = default;
  CPrintAction& operator=(CPrintAction&&) noexcept = default;
  ~CPrintAction() = default;

  std::unique_ptr<ActionStruct> Data;
  // dmSize + dmDriverExtra bytes of the printer's DEVMODE; empty for none.
  std::vector<std::uint8_t> DevMode;
  std::array<char, kPathChars> Separator{};

  // Takes a private copy of the settings and derives PrinterName from the
  // device name, completed from the installed printers. `available` bounds
  // how many bytes may be read from dm.
  void SetDevMode(const DEVMODEA* dm, size_t available = SIZE_MAX);
  const DEVMODEA* GetDevMode() const noexcept {
    return DevMode.empty() ? nullptr : reinterpret_cast<const DEVMODEA*>(DevMode.data());
  }
  std::string SeparatorText() const { return Separator.data(); }
};

// dmSize + dmDriverExtra of a DEVMODE block, or 0 when the block is too
// short to hold a usable header or the bytes it claims.
size_t DevModeLength(const std::uint8_t* data, size_t size);

// A DEVMODE block that may be handed to the spooler: the public part at
// least sizeof(DEVMODEA) bytes, zero where the given block had nothing,
// dmSize set to match, the driver's extra bytes after it, and every dmFields
// bit cleared whose field lay beyond the given dmSize (a block read from a
// file may claim fields it does not hold). Empty for a block DevModeLength
// refuses.
std::vector<std::uint8_t> SanitisedDevMode(const std::vector<std::uint8_t>& block);

// The full name of the first installed printer whose name begins with the
// (possibly cut) device name; the device name itself when none does.
std::string CompletePrinterName(const std::string& device_name);

// A printer's own default settings (dmSize + dmDriverExtra bytes); false
// when the printer cannot be opened or has none.
bool GetPrinterDefaults(const std::string& printer, std::vector<std::uint8_t>& devmode);

// The level-2 information of an open printer (PRINTER_INFO_2A at the
// front), zero-filled; empty with GetLastError() set when it cannot be read.
std::vector<std::uint8_t> PrinterInfo2(HANDLE printer);

// The printer's settings as the spooler holds them now (its stored DEVMODE,
// level 2), for DCs made in a process that may have cached older ones.
bool CurrentPrinterSettings(const std::string& printer, std::vector<std::uint8_t>& devmode);

// The system's Print Setup dialog over `owner`, opened on the default
// printer with its settings; when the user confirms, `action` takes the
// chosen settings and printer (SetDevMode). False when cancelled.
bool ChoosePrinterSettings(HWND owner, CPrintAction& action);

// A DC for `printer` with the settings the spooler holds for it now
// (CurrentPrinterSettings), not those this process may have cached.
winkit::PrinterDc PrinterDcWithCurrentSettings(const std::string& printer);

// The default printer's settings and name, asked without a window; false
// when there is no default printer.
bool DefaultPrinterSettings(std::vector<std::uint8_t>& devmode, std::string& name);
