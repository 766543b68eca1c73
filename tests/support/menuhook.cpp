// A hook DLL that reads a window's menus from inside its own process: under
// Wine another process cannot read the items of a foreign menu handle.
// The test sets this hook on the window's thread and sends it the registered
// message "QuirefeedTest.DumpMenus"; the hook writes the menu tree, one item
// a line, indented by level, into the shared memory "QuirefeedTestMenuDump".
#include <windows.h>

#include <string>

namespace {

void Dump(HMENU menu, int level, std::string& out) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STATE | MIIM_BITMAP;
    mii.dwTypeData = text;
    mii.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
    out.append(static_cast<size_t>(level) * 2, ' ');
    const bool separator = (mii.fType & MFT_SEPARATOR) != 0;
    out += separator ? "-" : text;
    if ((mii.fState & MFS_GRAYED) && !separator) out += " [grayed]";
    if (mii.fState & MFS_CHECKED) out += " [checked]";
    if (mii.hbmpItem) out += " [picture]";
    out += "\n";
    if (mii.hSubMenu) Dump(mii.hSubMenu, level + 1, out);
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuHookProc(int code, WPARAM wp, LPARAM lp) {
  static const UINT dump = RegisterWindowMessageA("QuirefeedTest.DumpMenus");
  if (code == HC_ACTION) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (msg->message == dump) {
      std::string out;
      if (HMENU bar = GetMenu(msg->hwnd)) Dump(bar, 0, out);
      HANDLE map = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "QuirefeedTestMenuDump");
      if (map) {
        if (void* view = MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0)) {
          const size_t n = out.size() < 65535 ? out.size() : 65535;
          memcpy(view, out.c_str(), n);
          static_cast<char*>(view)[n] = '\0';
          UnmapViewOfFile(view);
        }
        CloseHandle(map);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
