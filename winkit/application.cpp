#include "winkit/application.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace winkit {

TApplication& TApplication::Get() {
  static TApplication app;
  return app;
}

std::string ReadableTypeName(const std::type_info& t) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(t.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(t.name());
}

void TApplication::Describe(std::exception_ptr e, std::string& message, std::string& class_name) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    message = ex.what();
    class_name = ReadableTypeName(typeid(ex));
  } catch (...) {
    // Anything else thrown becomes an exception with no message.
    message.clear();
    class_name = "Exception";
  }
}

void TApplication::HandleException() noexcept {
  try {
    std::string message, class_name;
    Describe(std::current_exception(), message, class_name);
    if (on_exception_) {
      on_exception_(message, class_name);
    } else {
      MessageBoxA(nullptr, (message + " " + class_name).c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
    }
  } catch (...) {
    // The handler itself failed; nothing sensible is left to report with.
  }
}

void TApplication::RemoveIdleHandler(int token) {
  for (auto it = idle_.begin(); it != idle_.end(); ++it) {
    if (it->first == token) {
      idle_.erase(it);
      return;
    }
  }
}

void TApplication::DoIdle() noexcept {
  // A handler may remove handlers: walk a copy.
  const auto handlers = idle_;
  for (auto& h : handlers) {
    try {
      h.second();
    } catch (...) {
      HandleException();
    }
  }
}

bool TApplication::HandleOne(MSG& msg) {
  if (msg.message == WM_QUIT) {
    quit_ = true;
    quit_code_ = static_cast<int>(msg.wParam);
    return false;
  }
  if (accel_ && accel_wnd_ && (msg.hwnd == accel_wnd_ || IsChild(accel_wnd_, msg.hwnd)) &&
      TranslateAcceleratorA(accel_wnd_, accel_, &msg))
    return true;
  // Windows made of controls (dialogs built as forms) get Tab, Enter and
  // Escape handled the way dialog boxes do.
  if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (top && top != accel_wnd_ && (GetWindowLongPtrA(top, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
        IsDialogMessageA(top, &msg))
      return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

int TApplication::Run() {
  MSG msg;
  while (!quit_) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!HandleOne(msg)) break;
    }
    if (quit_) break;
    DoIdle();
    WaitMessage();
  }
  return quit_code_;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!quit_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // WM_QUIT sets quit_, which ends Run once the caller's wait returns.
    if (!HandleOne(msg)) break;
  }
}

}  // namespace winkit
