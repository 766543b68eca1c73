#pragma once
// An automation object of a stand-in application, reached through IDispatch
// by name (no type library): a table of members, each a handler of its own.
// Every call is recorded in the application's key, and the switch "Unknown
// members" makes a lookup fail as it would on an application that lacks
// the member.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

struct Call {
  WORD kind;
  DISPPARAMS* params;
  VARIANT* result;
  EXCEPINFO* exception;

  // Argument i in call order (0 first), or null when it was left out.
  const VARIANT* Arg(unsigned i) const;
  // The text of argument i ("" when it is no text).
  std::string TextArg(unsigned i) const;
  // For a property put: the value put.
  const VARIANT* PutValue() const { return params && params->cArgs > 0 ? &params->rgvarg[0] : nullptr; }
  // Fails the call as an exception the application reports.
  HRESULT Raise(const std::string& description) const;
};

using Member = std::function<HRESULT(const Call&)>;

// COM objects end their lives through Release, never through a pointer to
// the interface, which has no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DispObject : public IDispatch {
 public:
  // `object_name` names the object in the call record ("Application").
  explicit DispObject(std::string object_name);
  DispObject(const DispObject&) = delete;
  DispObject& operator=(const DispObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* arg_error) override;

 protected:
  virtual ~DispObject();
  void Add(const char* name, Member member);

 private:
  struct Entry {
    std::string name;
    Member member;
  };
  std::string object_name_;
  std::vector<Entry> members_;
  LONG refs_ = 1;
};
#pragma GCC diagnostic pop

// How a call's arguments looked to the server, in the order of the
// argument array: "VT_BOOL:0,VT_BSTR:C:\x.ppt".
std::string DescribeArgs(const DISPPARAMS* params);

// Puts an object into a result (the result takes a reference of its own).
void ReturnObject(VARIANT* result, IDispatch* object);
void ReturnBool(VARIANT* result, bool value);
void ReturnInt(VARIANT* result, long value);
void ReturnText(VARIANT* result, const std::string& text);
// A property that gives `object` (which outlives the member), and one that
// gives a fixed text.
Member ObjectGetter(IDispatch* object);
Member TextGetter(std::string text);

// The text a value holds ("" when it is no text).
std::string TextValue(const VARIANT* v);
// The boolean a put passed; false when it is none.
bool BoolValue(const VARIANT* v);

// Set when a call after PrintOut is to end the process (the switch "End
// after PrintOut": the application went away between printing and the
// caller's clean-up).
void EndOnNextCall();

}  // namespace standin
