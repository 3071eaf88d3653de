#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "platform/ui.h"

namespace pagemind::platform::win32 {

// The DPI every conversion falls back to when the system cannot say (no window yet, an old
// system, a DPI-unaware process).
inline constexpr UINT kDefaultDpi = 96;

// Twips (1/1440 inch) to pixels at a DPI, rounded to the nearest pixel.
[[nodiscard]] int TwipsToPixels(int twips, UINT dpi);

// A control's rectangle in client pixels: each of left, top, width and height converted alone.
[[nodiscard]] RECT PixelRect(const TwipsRect& twips, UINT dpi);

// A control's rectangle in the form's client area in twips: a control inside a frame is
// declared relative to it, and frames may sit inside frames.
[[nodiscard]] TwipsRect FormTwipsRect(const std::vector<ControlLayout>& controls,
                                      std::size_t index);

// The LOGFONT height (negative: the character height without internal leading) for a point
// size at a DPI.
[[nodiscard]] int FontHeight(double points, UINT dpi);

// A designer colour: 0x00BBGGRR as is, or the system colour whose index is in the low byte
// when the top bit is set.
[[nodiscard]] COLORREF ColorFromOle(OleColor color);

// The outer window size for a client area, for a window style at a DPI.
[[nodiscard]] SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style,
                                       DWORD exStyle, UINT dpi);

// Top-left corner that centres a window of `size` in `area`, never above or left of it.
[[nodiscard]] POINT CentredIn(const RECT& area, SIZE size);

}  // namespace pagemind::platform::win32
