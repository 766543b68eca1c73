#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "winkit/action.h"
#include "support/waitfor.h"
#include "winkit/application.h"
#include "winkit/form.h"
#include "winkit/handles.h"
#include "winkit/thread.h"

namespace {

TEST(Handles, OwnersCloseOnceAndMoveOwnership) {
  HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    winkit::KernelHandle a(raw);
    winkit::KernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    winkit::KernelHandle c;
    c = std::move(b);
    EXPECT_EQ(c.get(), raw);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
  }
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle was not closed";
  // A file owner's "none" is INVALID_HANDLE_VALUE, not NULL.
  winkit::FileHandle f(CreateFileA("Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(f);
  static_assert(!std::is_copy_constructible_v<winkit::RegKey>);
  static_assert(!std::is_copy_assignable_v<winkit::PrinterHandle>);
}

TEST(Event, IsManualResetAndStartsUnset) {
  winkit::TEvent e;
  EXPECT_FALSE(e.IsSet());
  e.SetEvent();
  EXPECT_EQ(e.WaitFor(0), winkit::TEvent::WaitResult::Signaled);
  EXPECT_TRUE(e.IsSet()) << "a wait must not reset it";
  e.ResetEvent();
  EXPECT_EQ(e.WaitFor(10), winkit::TEvent::WaitResult::Timeout);
}

class Worker : public winkit::TThread {
 public:
  std::atomic<int> loops{0};
  winkit::TEvent wake;
  bool throw_now = false;

 protected:
  void Execute() override {
    if (throw_now) throw std::runtime_error("worker failed");
    while (!Terminated()) {
      ++loops;
      wake.WaitFor(INFINITE);
    }
  }
  void TerminateRequested() noexcept override { wake.SetEvent(); }
};

TEST(Thread, StartsSuspendedRunsAfterResumeAndStopsPromptlyWhenTerminated) {
  Worker w;
  ASSERT_TRUE(w.Created());
  {
    // Suspending it again tells how often it was suspended already.
    winkit::KernelHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, w.ThreadId()));
    ASSERT_TRUE(thread);
    const DWORD count = SuspendThread(thread.get());
    ResumeThread(thread.get());
    EXPECT_EQ(count, 1u) << "not suspended before Resume";
  }
  EXPECT_EQ(w.loops.load(), 0) << "ran before Resume";
  w.Resume();
  ASSERT_TRUE(qftest::WaitFor([&] { return w.loops.load() > 0; }, "the thread to run"));
  EXPECT_EQ(w.loops.load(), 1);
  // Terminate wakes the waiting body: it ends at once, far within the bound
  // that only a hang reaches.
  w.Terminate();
  EXPECT_TRUE(w.Terminated());
  EXPECT_TRUE(w.WaitFor(qftest::kWaitMs));
  EXPECT_TRUE(w.Finished());
}

TEST(Thread, NeverResumedOrThrowingThreadsEndCleanly) {
  { Worker never; }  // destroyed without Resume: must not hang or run
  Worker thrower;
  thrower.throw_now = true;
  thrower.Resume();
  EXPECT_TRUE(thrower.WaitFor(qftest::kWaitMs));
  EXPECT_TRUE(thrower.Finished());
}

// Records, in its destructor, whether its thread had ended by then.
class Watched : public Worker {
 public:
  explicit Watched(bool& ended_before_delete) : ended_(ended_before_delete) {}
  ~Watched() override { ended_ = Finished(); }

 private:
  bool& ended_;
};

TEST(Thread, TheOwnerStopsAWaitingThreadBeforeTheObjectGoes) {
  bool ended_before_delete = false;
  auto owner = winkit::ThreadOwner<Watched>::Make(ended_before_delete);
  owner->Resume();
  ASSERT_TRUE(qftest::WaitFor([&] { return owner->loops.load() > 0; }, "the thread to run"));
  ASSERT_EQ(owner->loops.load(), 1);
  EXPECT_TRUE(owner.reset());
  EXPECT_FALSE(owner);
  EXPECT_TRUE(ended_before_delete) << "the object was deleted under a running thread";
}

std::string g_reported;
void Remember(const std::string& message, const std::string& class_name) {
  g_reported = message + "|" + class_name;
}

TEST(Thread, AnExceptionEscapingTheBodyGoesToTheReporter) {
  g_reported.clear();
  winkit::SetThreadErrorReporter(&Remember);
  {
    auto thrower = winkit::ThreadOwner<Worker>::Make();
    thrower->throw_now = true;
    thrower->Resume();
    EXPECT_TRUE(thrower->WaitFor(2000));
  }
  winkit::SetThreadErrorReporter(nullptr);
  EXPECT_EQ(g_reported, "worker failed|std::runtime_error");
}

TEST(Actions, UpdateDecidesEnablingAndDisabledActionsDoNotRun) {
  winkit::TActionList list;
  bool allowed = false;
  int runs = 0;
  list.Add(1, "Go", "&Go", "Go on").OnUpdate([&] { return allowed; }).OnExecute([&] { ++runs; });
  list.Add(2, "Help", "&Help").Shortcut(VK_F1, "F1");
  list.UpdateAll();
  EXPECT_FALSE(list.Find(1)->Enabled());
  EXPECT_TRUE(list.Dispatch(1));  // known id, but not run while disabled
  EXPECT_EQ(runs, 0);
  allowed = true;
  list.Dispatch(1);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(list.Dispatch(99));
  EXPECT_EQ(list.Find("Help")->ShortcutText(), "F1");
  HACCEL accel = list.CreateAccelerators();
  ASSERT_NE(accel, nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(accel, nullptr, 0), 1);
  DestroyAcceleratorTable(accel);
}

TEST(Application, ExceptionsAreDescribedWithTheirClassName) {
  std::string message, cls;
  try {
    throw std::out_of_range("index 7");
  } catch (...) {
    winkit::TApplication::Describe(std::current_exception(), message, cls);
  }
  EXPECT_EQ(message, "index 7");
  EXPECT_EQ(cls, "std::out_of_range");
  try {
    throw 42;
  } catch (...) {
    winkit::TApplication::Describe(std::current_exception(), message, cls);
  }
  EXPECT_EQ(message, "");
  EXPECT_EQ(cls, "Exception");
}

class ModalForm : public winkit::TForm {
 public:
  bool Make() {
    CreateInfo info;
    info.caption = "Modal test";
    info.client_width = 200;
    info.client_height = 100;
    return CreateForm(ClassInfo{"QfModalTestForm"}, info);
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_TIMER) {
      KillTimer(Handle(), 1);
      SetModalResult(IDOK);
      return 0;
    }
    if (msg == WM_APP) throw std::logic_error("handler failed");
    return Default(msg, wp, lp);
  }
};

TEST(Form, ShowModalReturnsItsResultAndExceptionsStayInside) {
  auto& app = winkit::TApplication::Get();
  app.SetInstance(GetModuleHandleA(nullptr));
  std::string reported;
  app.SetExceptionHandler([&](const std::string& m, const std::string& c) { reported = m + " " + c; });
  ModalForm form;
  ASSERT_TRUE(form.Make());
  SetTimer(form.Handle(), 1, 100, nullptr);
  EXPECT_EQ(form.ShowModal(nullptr), IDOK);
  EXPECT_FALSE(IsWindowVisible(form.Handle())) << "hidden again after the modal loop";

  SendMessageA(form.Handle(), WM_APP, 0, 0);
  EXPECT_EQ(reported, "handler failed std::logic_error");
  EXPECT_TRUE(IsWindow(form.Handle())) << "the window goes on";
  app.SetExceptionHandler(nullptr);
}

// A form whose handler throws on every message of its ending.
class ThrowingForm : public winkit::TForm {
 public:
  bool Make(HICON icon) {
    CreateInfo info;
    info.client_width = 50;
    info.client_height = 50;
    return CreateForm(ClassInfo{"QfThrowingTestForm", icon, icon}, info);
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_DESTROY || msg == WM_NCDESTROY) throw std::runtime_error("ending failed");
    return Default(msg, wp, lp);
  }
};

TEST(Form, EndsCleanlyWhenItsHandlerThrowsAndKeepsItsIconsToItself) {
  auto& app = winkit::TApplication::Get();
  app.SetInstance(GetModuleHandleA(nullptr));
  int reports = 0;
  app.SetExceptionHandler([&](const std::string&, const std::string&) { ++reports; });
  HICON first_icon = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));   // IDI_APPLICATION
  HICON second_icon = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516)));  // IDI_INFORMATION
  {
    ThrowingForm first;
    ASSERT_TRUE(first.Make(first_icon));
    HWND wnd = first.Handle();
    EXPECT_EQ(GetClassLongPtrA(wnd, GCLP_HICON), 0) << "the class holds no window's icon";
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(wnd, WM_GETICON, ICON_BIG, 0)), first_icon);
    DestroyWindow(wnd);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(first.Handle(), nullptr) << "the form let go of its window although its handler threw";
    EXPECT_GE(reports, 2);
  }
  DestroyIcon(first_icon);  // its window is gone; the owner frees it
  ThrowingForm second;
  ASSERT_TRUE(second.Make(second_icon));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(second.Handle(), WM_GETICON, ICON_BIG, 0)), second_icon);
  DestroyWindow(second.Handle());
  app.SetExceptionHandler(nullptr);
  DestroyIcon(second_icon);
}

TEST(Application, AQuitSeenBeforeCanBeForgotten) {
  auto& app = winkit::TApplication::Get();
  PostQuitMessage(3);
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
  app.ClearQuit();
  EXPECT_FALSE(app.Terminated());
  PostMessageA(nullptr, WM_NULL, 0, 0);
  app.ProcessMessages();
  EXPECT_FALSE(app.Terminated());
}

}  // namespace
