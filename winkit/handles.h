#pragma once
// Move-only owners of Win32 handles: one type per handle kind, each with its
// own "no handle" value and its own release call.
#include <commctrl.h>
#include <windows.h>
#include <winspool.h>

#include <utility>

namespace winkit {

template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() noexcept = default;
  explicit Unique(Type h) noexcept : h_(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : h_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Unique() { reset(); }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
  Type release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(Type h = Traits::Invalid()) noexcept {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  // For calls that hand a handle back through a pointer.
  Type* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Type h_ = Traits::Invalid();
};

namespace traits {
// Kernel objects whose "none" is NULL: events, mutexes, threads, processes.
struct Kernel {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};
// Files and snapshots, whose "none" is INVALID_HANDLE_VALUE.
struct File {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};
struct Find {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { FindClose(h); }
};
struct ChangeNotification {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { FindCloseChangeNotification(h); }
};
struct RegKey {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { RegCloseKey(h); }
};
struct Dc {
  using Type = HDC;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteDC(h); }
};
struct GdiObject {
  using Type = HGDIOBJ;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteObject(h); }
};
struct Module {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { FreeLibrary(h); }
};
struct Printer {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ClosePrinter(h); }
};
struct Icon {
  using Type = HICON;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyIcon(h); }
};
struct Menu {
  using Type = HMENU;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyMenu(h); }
};
struct ImageList {
  using Type = HIMAGELIST;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ImageList_Destroy(h); }
};
struct Accelerators {
  using Type = HACCEL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyAcceleratorTable(h); }
};
struct GlobalMem {
  using Type = HGLOBAL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { GlobalFree(h); }
};
}  // namespace traits

using KernelHandle = Unique<traits::Kernel>;
using FileHandle = Unique<traits::File>;
using FindHandle = Unique<traits::Find>;
using ChangeHandle = Unique<traits::ChangeNotification>;
using RegKey = Unique<traits::RegKey>;
using MemoryDc = Unique<traits::Dc>;
using GdiObject = Unique<traits::GdiObject>;
using ModuleHandle = Unique<traits::Module>;
using PrinterHandle = Unique<traits::Printer>;
using IconHandle = Unique<traits::Icon>;
using MenuHandle = Unique<traits::Menu>;
using ImageListHandle = Unique<traits::ImageList>;
using GlobalHandle = Unique<traits::GlobalMem>;
using AcceleratorTable = Unique<traits::Accelerators>;

// A DC borrowed from a window with GetDC; released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND wnd) noexcept : wnd_(wnd), dc_(GetDC(wnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// Selects a GDI object into a DC for a scope and puts the old one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace winkit
