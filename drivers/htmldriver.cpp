// Web pages print through the browser, driven through its typed interface:
// a new hidden instance per page, loaded, printed without a dialog and quit
// on every way out.
#include "drivers/htmldriver.h"

#include <exdisp.h>

#include "app/base/log.h"
#include "drivers/drivers.h"
#include "drivers/jobwait.h"
#include "winkit/application.h"
#include "winkit/com.h"
#include "winkit/text.h"

namespace {

constexpr DWORD kReadyPollMs = 2000;
DWORD load_limit_ms = kPageLoadLimitMs;

void Activity(const std::string& text) { WriteLog(LogStamp() + text); }

// A new browser instance, or null (logged) when there is no browser or it
// offers no IWebBrowser2.
winkit::ComPtr<IWebBrowser2> CreateBrowser(const std::string& path) {
  winkit::ComPtr<IWebBrowser2> browser;
  CLSID clsid{};
  winkit::ComPtr<IUnknown> unknown;
  if (FAILED(CLSIDFromProgID(L"InternetExplorer.Application", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void()))) {
    Activity("Error in Creating Internet Explorer instance\t" + path);
    return browser;
  }
  if (FAILED(unknown->QueryInterface(IID_IWebBrowser2, browser.put_void())))
    Activity("Error in Getting IWebBrowser2 Interface\t" + path);
  return browser;
}

// Quits the instance and lets go of it, however the print ended.
class BrowserRun {
 public:
  explicit BrowserRun(winkit::ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {}
  BrowserRun(const BrowserRun&) = delete;
  BrowserRun& operator=(const BrowserRun&) = delete;
  ~BrowserRun() {
    browser_->Quit();
    browser_.reset();
  }
  IWebBrowser2* operator->() const { return browser_.get(); }
  IWebBrowser2* get() const { return browser_.get(); }

 private:
  winkit::ComPtr<IWebBrowser2> browser_;
};

// Polls the ready state until the page is loaded: true when it is, false
// (logged) when the browser cannot tell or the bound passed.
bool WaitLoaded(IWebBrowser2* browser, const std::string& path) {
  const DWORD start = GetTickCount();
  READYSTATE state = READYSTATE_UNINITIALIZED;
  if (FAILED(browser->get_ReadyState(&state))) {
    Activity("Error in Reading Ready State\t" + path);
    return false;
  }
  while (state != READYSTATE_COMPLETE) {
    winkit::TApplication::Get().ProcessMessages();
    Sleep(kReadyPollMs);
    Activity("Waiting Loading " + path);
    if (GetTickCount() - start >= load_limit_ms) {
      Activity("The page did not load within " + std::to_string(load_limit_ms / 1000) + " seconds\t" + path);
      return false;
    }
    if (FAILED(browser->get_ReadyState(&state))) {
      Activity("Error in Reading Ready State\t" + path);
      return false;
    }
  }
  return true;
}

}  // namespace

void SetPageLoadLimitMs(DWORD ms) { load_limit_ms = ms ? ms : kPageLoadLimitMs; }

bool PrintHtmlFile(const std::string& path, winkit::TEvent& done) {
  winkit::OleScope ole;
  winkit::ComPtr<IWebBrowser2> created = CreateBrowser(path);
  if (!created) return false;
  BrowserRun browser(std::move(created));
  const winkit::Bstr address(winkit::ToWide(path));
  browser->put_Silent(1);
  // The optional arguments point at values: a proxy refuses null ones.
  winkit::Variant flags, frame, post_data, headers;
  for (auto* v : {&flags, &frame, &post_data, &headers}) v->SetInt(0);
  const HRESULT navigated = browser->Navigate(address.get(), flags.get(), frame.get(), post_data.get(), headers.get());
  if (!WaitLoaded(browser.get(), path)) return false;
  if (FAILED(navigated)) {
    Activity("Open " + path + "\tFailed!");
    return false;
  }
  winkit::Variant in, out;
  in.SetInt(0);
  out.SetInt(0);
  // A print the browser refused would leave nothing for the monitor to
  // report: the page counts as not printed.
  if (FAILED(browser->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_DONTPROMPTUSER, in.get(), out.get()))) {
    Activity("Error in Printing Web Page\t" + path);
    return false;
  }
  WaitForJobReport(done, path);
  return true;
}
