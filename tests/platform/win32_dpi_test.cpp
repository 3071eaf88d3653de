#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win32/dpi.h"

namespace pagemind::platform::win32 {
namespace {

// What Windows 7 and 8 have: none of the per-monitor functions.
constexpr DpiFunctions kWindows7{};

UINT WINAPI NoDpi(HWND) {
  return 0;
}
UINT WINAPI NoSystemDpi() {
  return 0;
}
BOOL WINAPI Refuses(UINT, UINT, PVOID, UINT, UINT) {
  return FALSE;
}

TEST(Win32Dpi, TheLookupFindsEveryFunctionWhereTheSystemHasThem) {
  // Wine 8 and Windows 10 1607 on export all five: a null here is a misspelt name.
  const DpiFunctions& system = DpiFunctions::System();
  EXPECT_NE(system.getDpiForWindow, nullptr);
  EXPECT_NE(system.getDpiForSystem, nullptr);
  EXPECT_NE(system.getSystemMetricsForDpi, nullptr);
  EXPECT_NE(system.systemParametersInfoForDpi, nullptr);
  EXPECT_NE(system.adjustWindowRectExForDpi, nullptr);
  EXPECT_EQ(&DpiFunctions::System(), &system);
}

TEST(Win32Dpi, WithoutThePerMonitorFunctionsEveryAnswerComesFromTheSystemDpi) {
  const UINT dpi = SystemDpi();
  ASSERT_GE(dpi, 96u);
  EXPECT_EQ(SystemDpi(kWindows7), dpi);
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowDpi(window, kWindows7), dpi);
  EXPECT_EQ(WindowDpi(window), dpi);
  ::DestroyWindow(window);

  // At the system DPI the fallbacks give what the per-monitor functions give; at twice that
  // they scale.
  for (const int metric : {SM_CXICON, SM_CXSMICON}) {
    SCOPED_TRACE(metric);
    EXPECT_EQ(SystemMetricForDpi(metric, dpi, kWindows7), SystemMetricForDpi(metric, dpi));
    EXPECT_EQ(SystemMetricForDpi(metric, 2 * dpi, kWindows7), 2 * ::GetSystemMetrics(metric));
  }
  const auto font = MessageFontForDpi(dpi);
  const auto fallback = MessageFontForDpi(dpi, kWindows7);
  const auto doubled = MessageFontForDpi(2 * dpi, kWindows7);
  ASSERT_TRUE(font && fallback && doubled);
  EXPECT_NE(font->lfHeight, 0);
  EXPECT_EQ(fallback->lfHeight, font->lfHeight);
  EXPECT_STREQ(fallback->lfFaceName, font->lfFaceName);
  EXPECT_EQ(doubled->lfHeight, 2 * font->lfHeight);

  const DWORD caption = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT framed{0, 0, 300, 200};
  RECT framedFallback = framed;
  ASSERT_TRUE(AdjustWindowRectForDpi(framed, caption, 0, dpi));
  ASSERT_TRUE(AdjustWindowRectForDpi(framedFallback, caption, 0, dpi, kWindows7));
  EXPECT_EQ(framedFallback.right - framedFallback.left, framed.right - framed.left);
  EXPECT_EQ(framedFallback.bottom - framedFallback.top, framed.bottom - framed.top);
  EXPECT_GT(framed.bottom - framed.top, 200);
}

TEST(Win32Dpi, AFunctionThatCannotAnswerLeavesTheFallbackToAnswer) {
  // GetDpiForWindow answers 0 for a window of another process or one already gone, and
  // SystemParametersInfoForDpi fails on a size it does not know: never a DPI of 0 or no font.
  DpiFunctions failing = DpiFunctions::System();
  failing.getDpiForWindow = NoDpi;
  failing.getDpiForSystem = NoSystemDpi;
  failing.systemParametersInfoForDpi = Refuses;
  EXPECT_EQ(WindowDpi(nullptr, failing), SystemDpi(kWindows7));
  const auto font = MessageFontForDpi(SystemDpi(), failing);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->lfHeight, MessageFontForDpi(SystemDpi())->lfHeight);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
