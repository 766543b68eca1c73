#pragma once
// A print-job monitor on a real printer, started as the single-document
// print starts it: the caller prints only once it watches.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>

#include "app/base/log.h"
#include "engine/printernotify.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

namespace qftest {

inline winkit::ThreadOwner<TPrinterNotifier> StartWatching(const std::string& printer, const std::string& expected,
                                                           winkit::TEvent& done) {
  HANDLE h = nullptr;
  EXPECT_TRUE(OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) << printer;
  auto m = winkit::ThreadOwner<TPrinterNotifier>::Make(printer, h);
  m->SetExpectedDocument(expected);
  m->SetCompletionEvent(&done);
  m->Resume();
  EXPECT_TRUE(m->WaitStarted(qftest::kWaitMs));
  EXPECT_TRUE(m->Watching()) << ReadFileBytes(LogFileName);
  return m;
}

}  // namespace qftest
