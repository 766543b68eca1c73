#include "support/process_driver.h"

#include <commctrl.h>

#include <vector>

namespace qftest {

AppProcess::~AppProcess() {
  if (Running()) Kill();
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool AppProcess::Start(const std::string& exe, DWORD* error, const std::string& args) {
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
  info_ = {};
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_)) {
    if (error) *error = GetLastError();
    info_ = {};
    return false;
  }
  return true;
}

bool AppProcess::WaitExit(DWORD timeout_ms, DWORD* exit_code) {
  if (!info_.hProcess) return false;
  if (WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return false;
  if (exit_code) GetExitCodeProcess(info_.hProcess, exit_code);
  return true;
}

bool AppProcess::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void AppProcess::Kill() {
  if (!info_.hProcess) return;
  TerminateProcess(info_.hProcess, 1);
  WaitForSingleObject(info_.hProcess, 5000);
}

namespace {

struct FindRequest {
  const char* window_class;
  const char* caption;
  DWORD pid;
  bool visible;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM param) {
  auto* req = reinterpret_cast<FindRequest*>(param);
  char cls[256] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, req->window_class) != 0) return TRUE;
  if (req->pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != req->pid) return TRUE;
  }
  if (req->caption && WindowText(wnd) != req->caption) return TRUE;
  if (req->visible && !IsWindowVisible(wnd)) return TRUE;
  req->found = wnd;
  return FALSE;
}

}  // namespace

namespace {

HWND FindWindowOf(const char* window_class, const char* caption, DWORD pid, bool visible, DWORD timeout_ms) {
  FindRequest req{window_class, caption, pid, visible, nullptr};
  qftest::WaitFor(
      [&] {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&req));
        return req.found != nullptr;
      },
      "a window", timeout_ms, 50);
  return req.found;
}

}  // namespace

HWND WaitForWindow(const char* window_class, const char* caption, DWORD pid, DWORD timeout_ms) {
  return FindWindowOf(window_class, caption, pid, false, timeout_ms);
}

HWND WaitForVisibleWindow(const char* window_class, const char* caption, DWORD pid, DWORD timeout_ms) {
  return FindWindowOf(window_class, caption, pid, true, timeout_ms);
}

std::string WindowText(HWND wnd) {
  char text[1024] = {};
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &len))
    return {};
  return std::string(text, len);
}

bool SaveWindowPicture(HWND wnd, const std::string& bmp_path) {
  RECT rc{};
  if (!GetWindowRect(wnd, &rc)) return false;
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bmp) {
    HGDIOBJ old = SelectObject(mem, bmp);
    ok = BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY) != FALSE;
    SelectObject(mem, old);
    GdiFlush();
    if (ok) {
      const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
      const DWORD size = stride * static_cast<DWORD>(h);
      BITMAPFILEHEADER fh{};
      fh.bfType = 0x4D42;
      fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
      fh.bfSize = fh.bfOffBits + size;
      HANDLE f =
          CreateFileA(bmp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      ok = f != INVALID_HANDLE_VALUE;
      if (ok) {
        DWORD written = 0;
        ok = WriteFile(f, &fh, sizeof fh, &written, nullptr) &&
             WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr) &&
             WriteFile(f, bits, size, &written, nullptr);
        CloseHandle(f);
      }
    }
    DeleteObject(bmp);
  }
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string AnswerMessageBox(const char* caption, DWORD timeout_ms, bool* found, int button) {
  HWND box = WaitForVisibleWindow("#32770", caption, 0, timeout_ms);
  if (found) *found = box != nullptr;
  if (!box) return {};
  // The message text is the static control with id 0xFFFF.
  std::string text = WindowText(GetDlgItem(box, 0xFFFF));
  SendMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
  return text;
}

bool AnswerFileDialog(const char* caption, const std::string& name, DWORD timeout_ms) {
  HWND dlg = WaitForVisibleWindow("#32770", caption, 0, timeout_ms);
  if (!dlg) return false;
  // The name field is a ComboBoxEx whose inner edit takes the text; the
  // shell view carries id 1 as well, so OK is found through GetDlgItem.
  HWND combo = GetDlgItem(dlg, 0x47C);
  HWND edit = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
  if (!edit) {
    HWND inner = combo ? FindWindowExA(combo, nullptr, "ComboBox", nullptr) : nullptr;
    edit = inner ? FindWindowExA(inner, nullptr, "Edit", nullptr) : nullptr;
  }
  if (!edit) edit = GetDlgItem(dlg, 0x480);
  if (!edit) return false;
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  // The dialog is gone once it took the name.
  return static_cast<bool>(WaitFor([dlg] { return !IsWindow(dlg); }, "the dialog to close", timeout_ms, 50));
}

bool ClickToolButton(HWND toolbar, int index) {
  DWORD pid = 0;
  GetWindowThreadProcessId(toolbar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return false;
  // The button's rectangle is written into the other process's memory.
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  RECT rc{};
  bool ok = remote &&
            SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) != 0 &&
            ReadProcessMemory(process, remote, &rc, sizeof rc, nullptr);
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!ok) return false;
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  PostMessageA(toolbar, WM_MOUSEMOVE, 0, at);
  PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
  return true;
}

std::string ReadForeignMenus(HWND wnd, const std::string& hook_dll) {
  constexpr DWORD kSize = 65536;
  HANDLE map = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, "QuirefeedTestMenuDump");
  if (!map) return {};
  std::string result;
  HMODULE dll = LoadLibraryA(hook_dll.c_str());
  auto proc = dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "MenuHookProc"))) : nullptr;
  const DWORD thread = GetWindowThreadProcessId(wnd, nullptr);
  HHOOK hook = proc ? SetWindowsHookExA(WH_CALLWNDPROC, proc, dll, thread) : nullptr;
  if (hook) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(wnd, RegisterWindowMessageA("QuirefeedTest.DumpMenus"), 0, 0, SMTO_ABORTIFHUNG, 10000,
                        &ignored);
    if (const void* view = MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0)) {
      result = static_cast<const char*>(view);
      UnmapViewOfFile(view);
    }
    UnhookWindowsHookEx(hook);
  }
  if (dll) FreeLibrary(dll);
  CloseHandle(map);
  return result;
}

bool TrayIconPresent(HWND wnd) {
  NOTIFYICONDATAA probe{};
  probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
  probe.hWnd = wnd;
  probe.uID = 0;
  probe.uFlags = NIF_TIP;
  lstrcpyA(probe.szTip, "Quirefeed");
  return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

bool NoFurtherQuestion(HWND wnd, DWORD pid) {
  if (!WaitFor([&] { return !WaitForWindow("#32770", "Confirm", pid, 0); }, "the answered box to go")) return false;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &result)) return false;
  return WaitForWindow("#32770", "Confirm", pid, 0) == nullptr;
}

bool ExitThroughTheMenu(AppProcess& app, HWND wnd, DWORD* exit_code) {
  // ID_SHUTDOWNACTION of the main window.
  constexpr WPARAM kShutdownAction = 116;
  PostMessageA(wnd, WM_COMMAND, kShutdownAction, 0);
  bool found = false;
  AnswerMessageBox("Confirm", kWaitMs, &found, IDOK);
  return found && app.WaitExit(kWaitMs, exit_code);
}

}  // namespace qftest
