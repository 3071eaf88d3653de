#include "platform/win32/dpi.h"

#include "platform/win32/handles.h"
#include "platform/win32/layout.h"

namespace pagemind::platform::win32 {

namespace {

template <typename Function>
void Look(HMODULE module, const char* name, Function& function) {
  // Through a function pointer of no particular type, as GetProcAddress's result must be.
  function =
      reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

int Scaled(int value, UINT dpi, UINT from) {
  return ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(from));
}

}  // namespace

const DpiFunctions& DpiFunctions::System() {
  static const DpiFunctions functions = [] {
    DpiFunctions found;
    // Imported by the program, so always loaded: no reference to count.
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return found;
    Look(user32, "GetDpiForWindow", found.getDpiForWindow);
    Look(user32, "GetDpiForSystem", found.getDpiForSystem);
    Look(user32, "GetSystemMetricsForDpi", found.getSystemMetricsForDpi);
    Look(user32, "SystemParametersInfoForDpi", found.systemParametersInfoForDpi);
    Look(user32, "AdjustWindowRectExForDpi", found.adjustWindowRectExForDpi);
    return found;
  }();
  return functions;
}

UINT SystemDpi(const DpiFunctions& functions) {
  if (functions.getDpiForSystem != nullptr) {
    const UINT dpi = functions.getDpiForSystem();
    if (dpi != 0) return dpi;
  }
  const WindowDc screen(nullptr);
  const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT WindowDpi(HWND window, const DpiFunctions& functions) {
  if (functions.getDpiForWindow != nullptr) {
    const UINT dpi = functions.getDpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  return SystemDpi(functions);
}

int SystemMetricForDpi(int index, UINT dpi, const DpiFunctions& functions) {
  if (functions.getSystemMetricsForDpi != nullptr) {
    return functions.getSystemMetricsForDpi(index, dpi);
  }
  return Scaled(::GetSystemMetrics(index), dpi, SystemDpi(functions));
}

std::optional<LOGFONTW> MessageFontForDpi(UINT dpi, const DpiFunctions& functions) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (functions.systemParametersInfoForDpi != nullptr &&
      functions.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                           dpi) != FALSE) {
    return metrics.lfMessageFont;
  }
  metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) == FALSE) {
    return std::nullopt;
  }
  // Those metrics are at the system DPI.
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = Scaled(font.lfHeight, dpi, SystemDpi(functions));
  return font;
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi,
                            const DpiFunctions& functions) {
  if (functions.adjustWindowRectExForDpi != nullptr &&
      functions.adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, dpi) != FALSE) {
    return true;
  }
  return ::AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
}

}  // namespace pagemind::platform::win32
