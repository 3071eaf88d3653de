#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/layout.h"

namespace pagemind::platform::win32 {
namespace {

TEST(Win32Layout, TwipsBecomePixelsAtTheWindowsDpi) {
  // The splash window's client area, 4020 by 1080 twips, at 100 %, 150 % and 200 %.
  EXPECT_EQ(TwipsToPixels(4020, 96), 268);
  EXPECT_EQ(TwipsToPixels(1080, 96), 72);
  EXPECT_EQ(TwipsToPixels(4020, 144), 402);
  EXPECT_EQ(TwipsToPixels(4020, 192), 536);
  // Rounded to the nearest pixel, not cut: 255 twips at 96 DPI are 17 px, 7 twips less than
  // half a pixel, 8 twips more.
  EXPECT_EQ(TwipsToPixels(255, 96), 17);
  EXPECT_EQ(TwipsToPixels(7, 96), 0);
  EXPECT_EQ(TwipsToPixels(8, 96), 1);
  EXPECT_EQ(TwipsToPixels(255, 120), 21);

  const RECT rect = PixelRect({240, 840, 3615, 255}, 144);
  EXPECT_EQ(rect.left, 24);
  EXPECT_EQ(rect.top, 84);
  EXPECT_EQ(rect.right - rect.left, 362);
  EXPECT_EQ(rect.bottom - rect.top, 26);
}

TEST(Win32Layout, ControlsInFramesAddEveryEnclosingFramesCorner) {
  const std::vector<ControlLayout> controls = {
      {.id = 10, .kind = ControlKind::kFrame, .rect = {2880, 480, 2415, 1095}},
      {.id = 11, .kind = ControlKind::kOptionButton, .rect = {240, 360, 1815, 255}, .parent = 10},
      {.id = 12, .kind = ControlKind::kFrame, .rect = {100, 50, 500, 500}, .parent = 10},
      {.id = 13, .kind = ControlKind::kButton, .rect = {1, 2, 3, 4}, .parent = 12},
      {.id = 14, .kind = ControlKind::kLabel, .rect = {5, 6, 7, 8}, .parent = 99},
  };
  const TwipsRect option = FormTwipsRect(controls, 1);
  EXPECT_EQ(option.left, 3120);
  EXPECT_EQ(option.top, 840);
  EXPECT_EQ(option.width, 1815);
  const TwipsRect nested = FormTwipsRect(controls, 3);
  EXPECT_EQ(nested.left, 2981);
  EXPECT_EQ(nested.top, 532);
  // A parent that is not in the table leaves the position as declared.
  EXPECT_EQ(FormTwipsRect(controls, 4).left, 5);
}

TEST(Win32Layout, FramesThatContainEachOtherDoNotHang) {
  const std::vector<ControlLayout> controls = {
      {.id = 1, .kind = ControlKind::kFrame, .rect = {10, 0, 0, 0}, .parent = 2},
      {.id = 2, .kind = ControlKind::kFrame, .rect = {100, 0, 0, 0}, .parent = 1},
  };
  const TwipsRect rect = FormTwipsRect(controls, 0);
  EXPECT_GE(rect.left, 110);
}

TEST(Win32Layout, FontHeightsAndColours) {
  EXPECT_EQ(FontHeight(9, 96), -12);
  EXPECT_EQ(FontHeight(11.25, 96), -15);
  EXPECT_EQ(FontHeight(8.25, 96), -11);
  EXPECT_EQ(FontHeight(18, 144), -36);
  EXPECT_EQ(FontHeight(8.25, 144), -17);  // 16.5 rounds away from zero

  EXPECT_EQ(ColorFromOle(0x00FF0000), RGB(0, 0, 255));
  EXPECT_EQ(ColorFromOle(0x000000FF), RGB(255, 0, 0));
  EXPECT_EQ(ColorFromOle(kSystemHighlight), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(ColorFromOle(0x80000012), ::GetSysColor(COLOR_BTNTEXT));
}

TEST(Win32Layout, WindowsAreCentredButKeepTheirTitleBarOnTheScreen) {
  const RECT area{0, 0, 1280, 760};
  const POINT centred = CentredIn(area, {400, 200});
  EXPECT_EQ(centred.x, 440);
  EXPECT_EQ(centred.y, 280);
  const POINT tooBig = CentredIn({100, 50, 600, 450}, {800, 600});
  EXPECT_EQ(tooBig.x, 100);
  EXPECT_EQ(tooBig.y, 50);

  const DWORD caption = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const SIZE framed = WindowSizeForClient(268, 72, caption, 0, 96);
  EXPECT_GT(framed.cx, 268);
  EXPECT_GT(framed.cy, 72 + 10);
  const SIZE bare = WindowSizeForClient(325, 257, WS_POPUP, WS_EX_TOOLWINDOW, 96);
  EXPECT_EQ(bare.cx, 325);
  EXPECT_EQ(bare.cy, 257);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
