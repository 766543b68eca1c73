#include "standins/browser/page.h"

#include <docobj.h>
#include <shlwapi.h>
#include <winspool.h>

#include <cstdio>
#include <mutex>

#include "standins/browser/pageformat.h"
#include "standins/common/appkey.h"
#include "standins/common/linux.h"
#include "standins/common/workfolder.h"
#include "winkit/handles.h"
#include "winkit/printjob.h"

namespace standin {

namespace {

// browser.py bounds its own steps (a minute to load, two to lay out);
// these catch an engine that hangs past them.
constexpr DWORD kLayoutLimitMs = 210000;
constexpr const char* kLayoutTimeout = "timeout -k 5 200 ";
constexpr DWORD kPrintLimitMs = 60000;
// A4, when the printer cannot tell its paper.
constexpr double kA4Width = 8.27, kA4Height = 11.69;

const char anchor = 0;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &anchor,
                     &module);
  return module;
}

std::string Script(const char* name) { return UnixPath(ModuleFolder(ThisModule()) + name); }

// A file: URL for a Unix path, every byte outside the unreserved set
// escaped.
std::string FileUrl(const std::string& unix_path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : unix_path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '/') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

// The printer's paper in inches, turned as it prints.
void PaperInches(const std::string& printer, double& width, double& height) {
  width = kA4Width;
  height = kA4Height;
  HDC ic = CreateICA("WINSPOOL", printer.c_str(), nullptr, nullptr);
  if (!ic) return;
  const int w = GetDeviceCaps(ic, PHYSICALWIDTH), h = GetDeviceCaps(ic, PHYSICALHEIGHT);
  const int dx = GetDeviceCaps(ic, LOGPIXELSX), dy = GetDeviceCaps(ic, LOGPIXELSY);
  DeleteDC(ic);
  if (w > 0 && h > 0 && dx > 0 && dy > 0) {
    width = static_cast<double>(w) / dx;
    height = static_cast<double>(h) / dy;
  }
}

bool WriteUtf8File(const std::string& path, const std::string& text) {
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return f && WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::string Inches(double n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", n);
  return buf;
}

LONG folders = 0;

}  // namespace

// What the instance and its layout thread share; the last of the two to let
// go removes the work folder.
struct PageState {
  PageState(std::string file, std::string url_) : path(std::move(file)), url(std::move(url_)) {
    // A program that ended while a page was loaded left its folder.
    RemoveLeftoverWorkFolders("Browser-");
    folder = WorkRoot() + "Browser-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(InterlockedIncrement(&folders)) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  PageState(const PageState&) = delete;
  PageState& operator=(const PageState&) = delete;
  ~PageState() { RemoveWorkFolder(folder); }

  // Lays the page out with `setup` into a new PDF of the work folder; the
  // PDF's path, or "" when the engine could not.
  std::string LayOut(const PageSetup& with) {
    const int n = InterlockedIncrement(&runs);
    const std::string out = folder + "page-" + std::to_string(n) + ".pdf";
    const std::string header = folder + "header-" + std::to_string(n) + ".html";
    const std::string footer = folder + "footer-" + std::to_string(n) + ".html";
    double width = 0, height = 0;
    PaperInches(winkit::DefaultPrinterName(), width, height);
    const double left = MarginInches(with.margin_left, width), right = MarginInches(with.margin_right, width);
    const double top = MarginInches(with.margin_top, height), bottom = MarginInches(with.margin_bottom, height);
    const Stamp now = StampNow();
    if (!WriteUtf8File(header, LineTemplate(with.header, now, left, right)) ||
        !WriteUtf8File(footer, LineTemplate(with.footer, now, left, right)))
      return {};
    const DWORD start = GetTickCount();
    const int rc = RunLinux(std::string(kLayoutTimeout) + "/usr/bin/python3 " + Quoted(Script("browser.py")) + " " +
                                Quoted(url) + " " + Quoted(UnixPath(out)) + " " + Quoted(UnixPath(header)) + " " +
                                Quoted(UnixPath(footer)) + " " + Inches(left) + " " + Inches(right) + " " +
                                Inches(top) + " " + Inches(bottom) + " " + Inches(width) + " " + Inches(height),
                            kLayoutLimitMs);
    WriteNumber("Last layout ms", GetTickCount() - start);
    DeleteFileA(header.c_str());
    DeleteFileA(footer.c_str());
    if (rc == 0 && GetFileAttributesA(out.c_str()) != INVALID_FILE_ATTRIBUTES) return out;
    DeleteFileA(out.c_str());
    return {};
  }

  const std::string path, url;
  std::string folder;
  LONG runs = 0;

  mutable std::mutex m;
  bool done = false;
  PageSetup setup;  // what `pdf` was laid out with
  std::string pdf;  // "" when the page could not be laid out
};

namespace {

struct LoadJob {
  std::shared_ptr<PageState> state;
  PageSetup setup;
  HMODULE held;
};

void Load(LoadJob& job) {
  const std::string pdf = job.state->LayOut(job.setup);
  std::lock_guard<std::mutex> lock(job.state->m);
  job.state->setup = job.setup;
  job.state->pdf = pdf;
  job.state->done = true;
}

// The loading thread keeps this library loaded until it has ended, so that
// an instance released while it still lays out cannot unload the code it
// runs.
DWORD WINAPI LoadThread(void* param) {
  LoadJob* job = static_cast<LoadJob*>(param);
  const HMODULE held = job->held;
  Load(*job);
  delete job;
  FreeLibraryAndExitThread(held, 0);
}

}  // namespace

Page::~Page() = default;

HRESULT Page::Navigate(const std::string& address, DWORD hold_ms) {
  state_.reset();
  address_ = address;
  navigated_at_ = GetTickCount();
  hold_ms_ = hold_ms;
  std::string path = address;
  if (address.compare(0, 5, "file:") == 0) {
    char from_url[MAX_PATH] = {};
    DWORD size = sizeof from_url;
    if (FAILED(PathCreateFromUrlA(address.c_str(), from_url, &size, 0))) return E_INVALIDARG;
    path = from_url;
  } else if (address.find("://") != std::string::npos) {
    // Only files on this machine are loaded.
    return INET_E_UNKNOWN_PROTOCOL;
  }
  winkit::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return HRESULT_FROM_WIN32(GetLastError());
  f.reset();
  const std::string unix_path = UnixPath(path);
  if (unix_path.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  auto state = std::make_shared<PageState>(path, FileUrl(unix_path));
  auto* job = new LoadJob{state, ReadPageSetup(), nullptr};
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &anchor, &job->held);
  HANDLE thread = CreateThread(nullptr, 0, LoadThread, job, 0, nullptr);
  if (!thread) {
    FreeLibrary(job->held);
    delete job;
    return E_OUTOFMEMORY;
  }
  CloseHandle(thread);
  state_ = std::move(state);
  return S_OK;
}

READYSTATE Page::ReadyState() const {
  if (address_.empty()) return READYSTATE_UNINITIALIZED;
  bool loading = false;
  if (state_) {
    std::lock_guard<std::mutex> lock(state_->m);
    loading = !state_->done;
  }
  if (loading) return READYSTATE_LOADING;
  if (GetTickCount() - navigated_at_ < hold_ms_) return READYSTATE_INTERACTIVE;
  return READYSTATE_COMPLETE;
}

HRESULT Page::Print() {
  if (!state_ || ReadyState() != READYSTATE_COMPLETE) return OLECMDERR_E_DISABLED;
  std::string pdf;
  {
    std::lock_guard<std::mutex> lock(state_->m);
    pdf = state_->pdf;
    const PageSetup now = ReadPageSetup();
    if (now != state_->setup) {
      pdf = state_->LayOut(now);
      if (!pdf.empty()) DeleteFileA(state_->pdf.c_str());
      state_->pdf = pdf;
      state_->setup = now;
    }
  }
  if (pdf.empty()) return OLECMDERR_E_DISABLED;
  std::string queue, options;
  const std::string printer = winkit::DefaultPrinterName();
  if (printer.empty() || !PrinterOptions(printer, queue, options)) return E_FAIL;
  // The pages are laid out on the paper as the printer turns it already.
  const std::string turned = " -o orientation-requested=4";
  if (const size_t at = options.find(turned); at != std::string::npos) options.erase(at, turned.size());
  // The job takes a copy: the page can be printed again.
  const std::string copy = state_->folder + "job-" + std::to_string(InterlockedIncrement(&state_->runs)) + ".pdf";
  if (!CopyFileA(pdf.c_str(), copy.c_str(), FALSE)) return E_FAIL;
  const int rc = RunLinux("sh " + Quoted(Script("print-pdf.sh")) + " " + Quoted(queue) + " " +
                              Quoted(FileNamePart(state_->path)) + " " + Quoted(UnixPath(copy)) + " 0" + options,
                          kPrintLimitMs);
  DeleteFileA(copy.c_str());
  return rc == 0 ? S_OK : E_FAIL;
}

}  // namespace standin
