#pragma once
// The page a browser instance has loaded. Loading lays the page out as PDF
// pages with the HTML engine (browser.py), on a thread of its own, with the
// page setup of that moment; printing hands those pages to the default
// printer, laid out again first when the page setup changed meanwhile.
#include <windows.h>
#include <ocidl.h>

#include <memory>
#include <string>

namespace standin {

struct PageState;

class Page {
 public:
  Page() = default;
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;
  // Forgets the page; a layout under way finishes on its own and removes
  // what it made.
  ~Page();

  // Starts loading the file at `address` (a path or a file: URL): S_OK, or
  // the failure when it names no file that can be read, with nothing
  // loading. `hold_ms` keeps the ready state below complete for that long
  // after the call, loaded or not.
  HRESULT Navigate(const std::string& address, DWORD hold_ms);
  // Nothing navigated yet: READYSTATE_UNINITIALIZED; loading: LOADING;
  // laid out but held: INTERACTIVE; else COMPLETE (a failed navigation
  // leaves nothing loading).
  READYSTATE ReadyState() const;
  bool Busy() const { return ReadyState() != READYSTATE_COMPLETE && state_ != nullptr; }
  const std::string& Address() const { return address_; }

  // Prints the loaded page in one job named after its file on the default
  // printer, with that printer's copies and paper. S_OK once the job was
  // handed to the queue; OLECMDERR_E_DISABLED when no page is loaded (or it
  // could not be laid out), E_FAIL when the printer refused it.
  HRESULT Print();

  // Lets go of the page, as the destructor does.
  void Close() { state_.reset(); }

 private:
  std::shared_ptr<PageState> state_;
  std::string address_;
  DWORD navigated_at_ = 0, hold_ms_ = 0;
};

}  // namespace standin
