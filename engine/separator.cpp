#include "engine/separator.h"

#include <windows.h>
#include <winspool.h>

#include "app/base/log.h"
#include "app/base/wholefile.h"
#include "engine/ipp.h"
#include "engine/printswitch.h"
#include "tasks/settings/printaction.h"
#include "winkit/application.h"
#include "winkit/handles.h"
#include "winkit/printjob.h"

namespace {

constexpr std::uint64_t kMaxSeparatorBytes = 64 * 1024;
constexpr DWORD kSeparatorWaitMs = 30000;

void Log(const std::string& text) { WriteLog(LogStamp() + text); }

std::string ReadText(const std::string& path) {
  Bytes bytes;
  if (!ReadWholeFile(path, bytes, kMaxSeparatorBytes)) return {};
  return std::string(bytes.begin(), bytes.end());
}

std::string Now(const char* format_kind) {
  char text[64] = {};
  if (format_kind[0] == 'D') {
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof text);
  } else {
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text);
  }
  return text;
}

std::string UserName() {
  char name[256] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

// Waits until no unfinished job of the separator is left on the queue.
void WaitUntilGone(const std::string& queue) {
  if (queue.empty()) return;
  ipp::Client cups;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kSeparatorWaitMs) {
    std::vector<ipp::Job> jobs;
    if (!cups.GetJobs(queue, "not-completed", jobs)) return;
    bool pending = false;
    for (const auto& j : jobs) pending = pending || j.name == kSeparatorJobName;
    if (!pending) return;
    winkit::TApplication::Get().ProcessMessages();
    Sleep(50);
  }
  Log("The separator page on " + queue + " had not printed after " + std::to_string(kSeparatorWaitMs / 1000) +
      " seconds");
}

}  // namespace

std::string SeparatorFileOf(const std::string& printer) {
  winkit::PrinterHandle h;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), h.put(), nullptr)) return {};
  const std::vector<std::uint8_t> info = PrinterInfo2(h.get());
  if (info.empty()) return {};
  const auto* pi = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
  return pi->pSepFile ? std::string(pi->pSepFile) : std::string();
}

bool PrintSeparatorPage(const std::string& printer) {
  const std::string file = SeparatorFileOf(printer);
  if (file.empty()) return true;
  const std::string text = ReadText(file);
  if (text.empty()) {
    Log("Separator page " + file + " of " + printer + " cannot be read: printed without it");
    return false;
  }
  const std::vector<std::string> lines = SeparatorLines(text, {UserName(), Now("D"), Now("T"), ReadText});
  winkit::PrinterDc dc = PrinterDcWithCurrentSettings(printer);
  if (!dc) {
    Log("Separator page of " + printer + " cannot be printed: the printer cannot be used");
    return false;
  }
  const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
  winkit::GdiObject font(CreateFontA(-MulDiv(14, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                                     "Courier New"));
  winkit::SelectGuard selected(dc.get(), font.get());
  winkit::PrintJob job(dc.get(), kSeparatorJobName);
  if (job.StartPage()) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.get(), &tm);
    const int left = GetDeviceCaps(dc.get(), LOGPIXELSX), line_height = tm.tmHeight + tm.tmExternalLeading;
    int y = dpi;
    for (const std::string& line : lines) {
      TextOutA(dc.get(), left, y, line.c_str(), static_cast<int>(line.size()));
      y += line_height;
    }
  }
  if (!job.End()) {
    Log("Separator page of " + printer + " could not be spooled");
    LogSystemError(job.Error());
    return false;
  }
  WaitUntilGone(CupsQueueOf(printer));
  return true;
}
