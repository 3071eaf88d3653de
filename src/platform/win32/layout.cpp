#include "platform/win32/layout.h"

#include <cmath>

#include "platform/win32/dpi.h"

namespace pagemind::platform::win32 {

int TwipsToPixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), 1440);
}

RECT PixelRect(const TwipsRect& twips, UINT dpi) {
  const int left = TwipsToPixels(twips.left, dpi);
  const int top = TwipsToPixels(twips.top, dpi);
  return {left, top, left + TwipsToPixels(twips.width, dpi),
          top + TwipsToPixels(twips.height, dpi)};
}

TwipsRect FormTwipsRect(const std::vector<ControlLayout>& controls, std::size_t index) {
  TwipsRect rect = controls.at(index).rect;
  int parent = controls[index].parent;
  // Bounded by the number of controls, so a table whose frames name each other cannot hang.
  for (std::size_t depth = 0; parent != 0 && depth < controls.size(); ++depth) {
    const ControlLayout* frame = nullptr;
    for (const ControlLayout& candidate : controls) {
      if (candidate.id == parent) {
        frame = &candidate;
        break;
      }
    }
    if (frame == nullptr) break;
    rect.left += frame->rect.left;
    rect.top += frame->rect.top;
    parent = frame->parent;
  }
  return rect;
}

int FontHeight(double points, UINT dpi) {
  return -static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
}

COLORREF ColorFromOle(OleColor color) {
  if ((color & 0x80000000u) != 0) return ::GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  RECT rect{0, 0, clientWidth, clientHeight};
  AdjustWindowRectForDpi(rect, style, exStyle, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

POINT CentredIn(const RECT& area, SIZE size) {
  // A window larger than the area keeps its title bar inside it, where it can be grabbed.
  const LONG left = area.left + (area.right - area.left - size.cx) / 2;
  const LONG top = area.top + (area.bottom - area.top - size.cy) / 2;
  return {left < area.left ? area.left : left, top < area.top ? area.top : top};
}

}  // namespace pagemind::platform::win32
