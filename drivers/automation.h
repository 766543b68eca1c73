#pragma once
// Calling automation servers by name, three ways:
//  - checked direct calls: look a member up, invoke it, and look at each
//    status yourself (the word-processor and spreadsheet drivers);
//  - AutoWrap: one call that looks up and invokes; any failure shows a
//    message box and ends the process at once (the spreadsheet clean-up);
//  - Variant member calls, which raise EOleSysError or EOleException (the
//    presentation driver and the Word print options).
// Only the main thread calls in here.
#include <windows.h>
#include <oaidl.h>

#include <array>
#include <stdexcept>
#include <string>

#include "winkit/com.h"

// A failed status of a call into a server.
class EOleSysError : public std::runtime_error {
 public:
  EOleSysError(const std::string& message, HRESULT code) : std::runtime_error(message), code_(code) {}
  HRESULT ErrorCode() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// The server reported an exception during Invoke.
class EOleException : public EOleSysError {
 public:
  EOleException(const std::string& message, HRESULT code, std::string source)
      : EOleSysError(message, code), source_(std::move(source)) {}
  const std::string& Source() const noexcept { return source_; }

 private:
  std::string source_;
};

// --- Checked direct calls ---------------------------------------------

// CLSIDFromProgID (its status not looked at), then CoCreateInstance as a
// local server asking for IDispatch; the status of the creation.
HRESULT CreateLocalServer(const char* prog_id, IDispatch** out);
// GetIDsOfNames with one name and the system locale.
HRESULT LookUpMember(IDispatch* object, const wchar_t* name, DISPID* id);
// Invoke with the system locale; `args` in reverse order (last argument
// first), `count` of them; a property put passes DISPID_PROPERTYPUT as its
// one named argument.
HRESULT InvokeMember(IDispatch* object, DISPID id, WORD kind, VARIANT* args, UINT count, VARIANT* result);

// The object a call returned, its reference now the caller's (who releases
// it); null when the call returned no object.
IDispatch* TakeObject(winkit::Variant& result);

// --- AutoWrap -----------------------------------------------------------

// Looks `name` up on `object` and invokes it as `kind` with `count`
// VARIANT arguments given by value, last argument first. Returns the
// status of the invocation; on any failure it shows a box and ends the
// process with exit status 0 without running anything else.
HRESULT AutoWrap(int kind, VARIANT* result, IDispatch* object, const wchar_t* name, int count, ...);

// --- Variant member calls -------------------------------------------------

// The argument pack of a Variant member call: slot 0 holds the result, and
// argument i (1 for the first in call order) is slot N + 1 - i, so that
// slots 1..N are the reversed array Invoke takes.
template <int N>
struct TAutoArgs {
  std::array<winkit::Variant, N + 1> slots;
  winkit::Variant& Arg(int i) { return slots[static_cast<size_t>(N + 1 - i)]; }
  VARIANT* Args() { return N > 0 ? slots[1].get() : nullptr; }
  static constexpr UINT Count() { return static_cast<UINT>(N); }
};

// Raise on failure. `object` must hold an object (VT_DISPATCH).
winkit::Variant CreateServerObject(const std::string& prog_id);
winkit::Variant AttachServerObject(const std::string& prog_id);
winkit::Variant PropertyGet(const winkit::Variant& object, const std::string& name);
void PropertySet(const winkit::Variant& object, const std::string& name, TAutoArgs<1>& args);
void CallProcedure(const winkit::Variant& object, const std::string& name);

// The call beneath CallFunction; the result is the method's value.
winkit::Variant CallByName(const winkit::Variant& object, const std::string& name, WORD kind, VARIANT* args,
                           UINT count);
template <int N>
winkit::Variant CallFunction(const winkit::Variant& object, const std::string& name, TAutoArgs<N>& args) {
  return CallByName(object, name, DISPATCH_METHOD, args.Args(), args.Count());
}

// Built on them.
winkit::Variant InvokeFunction4(const winkit::Variant& object, const std::string& name, const std::string& text,
                                bool flag1, bool flag2, bool flag3);
void SetBoolProperty(const winkit::Variant& object, const std::string& name, bool value);
void SetTextProperty(const winkit::Variant& object, const std::string& name, const std::string& text);
bool GetBoolProperty(const winkit::Variant& object, const std::string& name);
