// Program start. The application shell (application object, main window and its controls) is built
// on the platform layer; until it lands, this opens the main window's frame so the display
// backend can be seen working.
#include <cstdio>

#include "platform/backend/x11/x11_backend.h"
#include "platform/module.h"
#include "platform/text_codec.h"
#include "platform/window.h"

int main() {
  auto backend = X11Backend::Open();
  if (!backend) {
    std::fprintf(stderr, "tessivo: cannot open the X display\n");
    return 1;
  }
  InitPlatform(backend.get());
  int exitCode = 0;
  {
    WNDCLASS wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    };
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "TForm1";
    RegisterClass(&wc);
    HWND hwnd = CreateWindowEx(0x101, "TForm1", "Tessivo - Versão 1.0"_cp.c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 188, 107, 981,
                               277, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    exitCode = static_cast<int>(msg.wParam);
  }
  ShutdownPlatform();
  return exitCode;
}
