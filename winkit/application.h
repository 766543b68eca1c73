#pragma once
// The application object: title, message loop with idle processing, and the
// one place where exceptions from handlers end up.
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace winkit {

class TApplication {
 public:
  // message, class name of the exception
  using ExceptionHandler = std::function<void(const std::string&, const std::string&)>;

  static TApplication& Get();

  HINSTANCE Instance() const noexcept { return instance_; }
  void SetInstance(HINSTANCE h) noexcept { instance_ = h; }
  const std::string& Title() const noexcept { return title_; }
  void SetTitle(std::string t) { title_ = std::move(t); }

  void SetExceptionHandler(ExceptionHandler h) { on_exception_ = std::move(h); }
  // Call from inside a catch block: classifies the exception in flight and
  // reports it through the handler (or a plain message box without one).
  void HandleException() noexcept;

  // Called whenever the message queue runs empty (action enabling lives
  // here). The returned token removes the handler again.
  int AddIdleHandler(std::function<void()> h) {
    idle_.push_back({++next_token_, std::move(h)});
    return next_token_;
  }
  void RemoveIdleHandler(int token);
  void DoIdle() noexcept;

  // Accelerators of the main window.
  void SetAccelerators(HWND target, HACCEL table) noexcept {
    accel_wnd_ = target;
    accel_ = table;
  }

  // Whether the main form is shown when the loop starts.
  bool ShowMainForm = true;

  // Runs until WM_QUIT; returns its code.
  int Run();
  // Handles the messages waiting now and returns (used by polling waits).
  void ProcessMessages();
  // True once WM_QUIT was seen.
  bool Terminated() const noexcept { return quit_; }
  // Forgets a WM_QUIT seen before, so that message loops run again (a
  // program that shows windows after its first loop ended, or a test).
  void ClearQuit() noexcept {
    quit_ = false;
    quit_code_ = 0;
  }
  // Turns a caught exception into message and class name.
  static void Describe(std::exception_ptr e, std::string& message, std::string& class_name);

 private:
  bool HandleOne(MSG& msg);

  HINSTANCE instance_ = nullptr;
  std::string title_;
  ExceptionHandler on_exception_;
  std::vector<std::pair<int, std::function<void()>>> idle_;
  int next_token_ = 0;
  HWND accel_wnd_ = nullptr;
  HACCEL accel_ = nullptr;
  bool quit_ = false;
  int quit_code_ = 0;
};

// The class name of a thrown C++ object, readable ("std::runtime_error").
std::string ReadableTypeName(const std::type_info& t);

}  // namespace winkit
