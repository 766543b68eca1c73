// A bare Win32 window program that only waits for messages: what an idle
// Wine GUI process costs by itself, to set beside the program idle in watch
// mode. Ends after the number of seconds given (default 90).
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmd, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "BareIdleWindow";
  RegisterClassA(&wc);
  CreateWindowExA(0, wc.lpszClassName, "idle", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, instance,
                  nullptr);
  const int seconds = cmd && *cmd ? std::atoi(cmd) : 90;
  SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  return 0;
}
