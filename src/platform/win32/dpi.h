#pragma once

#include <windows.h>

#include <optional>

namespace pagemind::platform::win32 {

// user32's per-monitor DPI functions, which Windows 10 1607 brought. They are looked up at run
// time, never imported, so that the Windows 7 and 8 loader still accepts the program; an entry
// is null where the system lacks it.
struct DpiFunctions {
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  UINT(WINAPI* getDpiForSystem)() = nullptr;
  int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
  BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;

  // This system's, looked up once.
  static const DpiFunctions& System();
};

// Each function below uses the system's DPI function when there is one and otherwise works
// from the system-wide DPI, which on those systems is every window's. `functions` is there for
// the tests, which also run the fallbacks.

// The DPI of the primary screen.
[[nodiscard]] UINT SystemDpi(const DpiFunctions& functions = DpiFunctions::System());

// The DPI a window is drawn at; the system DPI without a per-monitor answer.
[[nodiscard]] UINT WindowDpi(HWND window, const DpiFunctions& functions = DpiFunctions::System());

// GetSystemMetrics at a DPI.
[[nodiscard]] int SystemMetricForDpi(int index, UINT dpi,
                                     const DpiFunctions& functions = DpiFunctions::System());

// The system's message-box font with its height at a DPI; nothing when the system cannot say.
[[nodiscard]] std::optional<LOGFONTW> MessageFontForDpi(
    UINT dpi, const DpiFunctions& functions = DpiFunctions::System());

// AdjustWindowRectEx at a DPI. Without the per-monitor function the frame is the one at the
// system DPI: a caller that needs an exact client area measures it afterwards.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi,
                            const DpiFunctions& functions = DpiFunctions::System());

}  // namespace pagemind::platform::win32
