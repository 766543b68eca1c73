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

std::vector<std::string> SeparatorLines(const std::string& file_text, const std::string& user,
                                        const std::string& date, const std::string& time) {
  std::vector<std::string> lines(1);
  if (file_text.empty()) return {};
  const char esc = file_text[0];
  size_t i = 1;
  // The rest of the first line is no content.
  while (i < file_text.size() && file_text[i] != '\n') ++i;
  if (i < file_text.size()) ++i;
  bool literal = false;  // inside "\L" text
  while (i < file_text.size()) {
    const char c = file_text[i];
    if (c != esc) {
      if (literal && c != '\r' && c != '\n') lines.back() += c;
      ++i;
      continue;
    }
    literal = false;
    if (++i >= file_text.size()) break;
    const char cmd = file_text[i++];
    switch (cmd) {
      case 'N': lines.back() += user; break;
      case 'D': lines.back() += date; break;
      case 'T': lines.back() += time; break;
      case 'L': literal = true; break;
      case 'E': return lines;
      case 'F': {
        // The file's name runs to the end of the line.
        size_t end = file_text.find_first_of("\r\n", i);
        if (end == std::string::npos) end = file_text.size();
        const std::string included = ReadText(file_text.substr(i, end - i));
        i = end;
        size_t start = 0;
        while (start <= included.size()) {
          size_t nl = included.find('\n', start);
          if (nl == std::string::npos) nl = included.size();
          std::string line = included.substr(start, nl - start);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          lines.push_back(line);
          start = nl + 1;
        }
        lines.emplace_back();
        break;
      }
      case 'H':  // a printer code: two hex digits
        i += 2;
        break;
      case 'W':  // a width: up to three digits
        while (i < file_text.size() && isdigit(static_cast<unsigned char>(file_text[i]))) ++i;
        break;
      case 'B':  // block letters, "\B\S" or "\B\M": the same letters here
        if (i + 1 < file_text.size() && file_text[i] == esc) i += 2;
        break;
      default:
        if (cmd >= '0' && cmd <= '9') {
          for (int n = 0; n <= cmd - '0'; ++n) lines.emplace_back();
        }
        break;  // "\U", "\I" and anything unknown print nothing
    }
  }
  return lines;
}

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
  const std::vector<std::string> lines = SeparatorLines(text, UserName(), Now("D"), Now("T"));
  std::vector<std::uint8_t> settings;
  const DEVMODEA* dm =
      CurrentPrinterSettings(printer, settings) ? reinterpret_cast<const DEVMODEA*>(settings.data()) : nullptr;
  winkit::PrinterDc dc = winkit::CreatePrinterDc(printer, dm);
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
