// Text conversions and COM values: what the automation layer will build on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "winkit/com.h"
#include "winkit/text.h"

namespace {

TEST(Text, ConvertsBothWaysAndSaysWhenTheCodePageCannotHoldALetter) {
  struct Case {
    const wchar_t* wide;
    const char* ansi;  // in code page 1252
    bool exact;
  };
  const Case cases[] = {
      {L"", "", true},
      {L"Report.doc", "Report.doc", true},
      {L"R\u00e9sum\u00e9 \u00fcber", "R\xe9sum\xe9 \xfc" "ber", true},
      // No best fit: a Greek letter must not silently become "a" or "?".
      {L"\u03b1lpha.txt", nullptr, false},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(winkit::FromWide(std::wstring(c.wide), out, 1252), c.exact) << out;
    if (c.ansi) {
      EXPECT_EQ(out, c.ansi);
      EXPECT_EQ(winkit::ToWide(c.ansi, 1252), c.wide);
    }
    std::string again;
    EXPECT_EQ(winkit::FromWide(c.wide, again, 1252), c.exact) << "the null-ended form must agree";
    EXPECT_EQ(again, out);
  }
  std::string none;
  EXPECT_TRUE(winkit::FromWide(static_cast<const wchar_t*>(nullptr), none));
  EXPECT_TRUE(none.empty());
}

TEST(Text, RecodesUtf8ForDisplayAndLeavesBrokenInputAlone) {
  EXPECT_EQ(winkit::Recode("R\xc3\xa9sum\xc3\xa9", CP_UTF8, 1252), "R\xe9sum\xe9");
  EXPECT_EQ(winkit::Recode("", CP_UTF8, 1252), "");
  EXPECT_EQ(winkit::Recode("plain", CP_UTF8, 1252), "plain");
  // Length is kept track of: an embedded null does not cut the text.
  const std::string with_null("a\0b", 3);
  EXPECT_EQ(winkit::Recode(with_null, CP_UTF8, 1252), with_null);
}

TEST(Com, BstrFromAnsiAndBack) {
  winkit::Bstr b = winkit::Bstr::FromAnsi("Caf\xe9 menu");
  ASSERT_NE(b.get(), nullptr);
  EXPECT_EQ(SysStringLen(b.get()), 9u);
  EXPECT_EQ(std::wstring(b.get()), L"Caf\u00e9 menu");
  EXPECT_EQ(b.Ansi(), "Caf\xe9 menu");
  winkit::Bstr moved = std::move(b);
  EXPECT_EQ(b.get(), nullptr);
  EXPECT_EQ(moved.Ansi(), "Caf\xe9 menu");
  EXPECT_TRUE(winkit::Bstr().Ansi().empty());
}

TEST(Com, VariantSettersGettersAndConversions) {
  static_assert(sizeof(winkit::Variant) == sizeof(VARIANT));
  winkit::Variant v;
  EXPECT_EQ(v.Type(), VT_EMPTY);
  v.SetInt(42);
  EXPECT_EQ(v.Type(), VT_I4);
  EXPECT_EQ(v.AsInt(), 42);
  EXPECT_EQ(v.AsString(), "42");
  EXPECT_TRUE(v.AsBool());
  v.SetBool(false);
  EXPECT_EQ(V_BOOL(v.get()), VARIANT_FALSE);
  EXPECT_FALSE(v.AsBool(true));
  v.SetString("Pages 3");
  EXPECT_EQ(v.Type(), VT_BSTR);
  EXPECT_EQ(v.AsString(), "Pages 3");
  EXPECT_EQ(v.AsInt(-1), -1) << "a text that is no number gives the fallback";
  v.SetString("17");
  EXPECT_EQ(v.AsInt(), 17);
  v.SetMissing();
  EXPECT_EQ(v.Type(), VT_ERROR);
  EXPECT_EQ(V_ERROR(v.get()), DISP_E_PARAMNOTFOUND);
  EXPECT_FALSE(v.AsDispatch());

  // An array of them is an array of VARIANTs, as DISPPARAMS wants.
  winkit::Variant args[2];
  args[0].SetInt(1);
  args[1].SetString("x");
  const VARIANT* raw = args[0].get();
  EXPECT_EQ(V_VT(&raw[1]), VT_BSTR);
  EXPECT_EQ(V_I4(&raw[0]), 1);
}

// A dispatch object that counts its references.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Counted : public IDispatch {
 public:
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};
#pragma GCC diagnostic pop

TEST(Com, VariantHoldsAndGivesOutReferencesOfItsOwn) {
  Counted object;
  {
    winkit::Variant v;
    v.SetDispatch(&object);
    EXPECT_EQ(object.refs, 2u);
    {
      winkit::ComPtr<IDispatch> got = v.AsDispatch();
      EXPECT_EQ(got.get(), &object);
      EXPECT_EQ(object.refs, 3u);
    }
    EXPECT_EQ(object.refs, 2u);
    v.SetInt(0);
    EXPECT_EQ(object.refs, 1u) << "a new value must release the object";
    v.SetDispatch(&object);
  }
  EXPECT_EQ(object.refs, 1u) << "the variant must release what it held";
}

TEST(Com, ExcepInfoGivesItsTextAndFreesItsStrings) {
  winkit::ExcepInfo info;
  EXPECT_EQ(info.Text(), "");
  EXPECT_EQ(info.Code(), 0);
  info.get()->bstrSource = SysAllocString(L"Writer");
  info.get()->bstrDescription = SysAllocString(L"The document is locked");
  info.get()->scode = DISP_E_EXCEPTION;
  EXPECT_EQ(info.Text(), "Writer: The document is locked");
  EXPECT_EQ(info.Code(), DISP_E_EXCEPTION);
  info.clear();
  EXPECT_EQ(info.get()->bstrSource, nullptr);
  EXPECT_EQ(info.Text(), "");
  info.get()->wCode = 5;
  EXPECT_EQ(info.Code(), MAKE_HRESULT(1, FACILITY_DISPATCH, 5));
}

TEST(Com, OleScopeInitialisesThisThread) {
  winkit::OleScope ole;
  EXPECT_TRUE(ole.Ok());
  // Inside the scope the thread is in a single-threaded apartment already.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

}  // namespace
