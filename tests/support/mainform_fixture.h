#pragma once
// The main window created in the test's own process, in a Wine prefix of the
// test's own (its data folders and registry key are the program's real ones).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "app/mainfrm.h"
#include "support/folders.h"
#include "support/apppump.h"
#include "support/tempdir.h"
#include "winkit/application.h"

namespace qftest {

class MainFormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& app = winkit::TApplication::Get();
    app.SetInstance(GetModuleHandleA(nullptr));
    app.SetTitle("Quirefeed");
    app.ShowMainForm = true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&icc);
    RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Quirefeed");
    RemoveTree(ProgramFolder(CSIDL_APPDATA));
    RemoveTree(ProgramFolder(CSIDL_COMMON_APPDATA));
  }
  void TearDown() override { mainform = nullptr; }

  std::unique_ptr<Tmainform> NewForm() {
    auto form = std::make_unique<Tmainform>();
    mainform = form.get();
    EXPECT_TRUE(form->Create());
    return form;
  }
};

}  // namespace qftest
