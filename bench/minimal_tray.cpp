// The smallest program that sits in the notification area: one hidden window, one icon added
// with Shell_NotifyIconA (as pagemind.exe adds its own) and a message loop. tools/bench.sh
// measures it beside pagemind.exe, built with the same compiler, flags and static runtime, so
// the difference between the two is what Pagemind itself costs.
#include <windows.h>
// After <windows.h>, which it needs; WIN32_LEAN_AND_MEAN leaves it out.
#include <shellapi.h>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kIconId = 1;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"PagemindMinimalTray";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Minimal tray", WS_OVERLAPPED, 0, 0,
                                100, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;

  NOTIFYICONDATAA icon{};
  icon.cbSize = sizeof(icon);
  icon.hWnd = window;
  icon.uID = kIconId;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = kTrayMessage;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynA(icon.szTip, "Minimal tray", sizeof(icon.szTip));
  if (!Shell_NotifyIconA(NIM_ADD, &icon)) return 1;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  Shell_NotifyIconA(NIM_DELETE, &icon);
  return 0;
}
