// Stand-in for the PDF reader a Windows desktop has (there is none here).
// Built as "AcroRd32.exe"; the test and run scripts register it as the PDF
// reader's App Paths entry and as the "print" verb of ".pdf" files.
// Usage: AcroRd32.exe [/p] [/h] FILE. Prints FILE's own pages (vector, as
// CUPS renders a PDF) on the default printer in one job named after the
// file, with the printer's current copies, orientation and paper size, then
// exits: 0 when the job was handed to the queue, 1 when FILE is no PDF that
// can be read or the printer cannot take it. It runs until the job is
// handed over.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "standins/common/linux.h"
#include "winkit/printjob.h"

namespace {

constexpr DWORD kCommandLimitMs = 120000;

}  // namespace

int main(int argc, char** argv) {
  using standin::Quoted;
  std::string path;
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '/') path = argv[i];
  if (path.empty()) return 1;
  const std::string unix_path = standin::UnixPath(path);
  if (unix_path.empty()) return 1;
  // A damaged or missing PDF gives no job.
  if (standin::RunLinux("pdfinfo " + Quoted(unix_path), kCommandLimitMs) != 0) return 1;
  const std::string printer = winkit::DefaultPrinterName();
  std::string queue, options;
  if (printer.empty() || !standin::PrinterOptions(printer, queue, options)) return 1;
  const std::string lp =
      "lp -d " + Quoted(queue) + " -t " + Quoted(standin::FileNamePart(path)) + options + " -- " + Quoted(unix_path);
  return standin::RunLinux(lp, kCommandLimitMs) == 0 ? 0 : 1;
}
