#include "platform/win32/form_window.h"

#include <algorithm>
#include <utility>

#include "platform/win32/dpi.h"
#include "platform/win32/fonts.h"
#include "platform/win32/layout.h"
#include "platform/win32/pictures.h"

namespace pagemind::platform::win32 {

namespace {

// A line's colour when the designer gave none: the system's window-text colour.
constexpr OleColor kWindowTextColor = 0x80000000u | COLOR_WINDOWTEXT;

}  // namespace

void FormWindow::SetOuterBounds(POINT origin) {
  const int clientWidth = TwipsToPixels(layout_.clientWidth, dpi_);
  const int clientHeight = TwipsToPixels(layout_.clientHeight, dpi_);
  const SIZE size = WindowSizeForClient(clientWidth, clientHeight, style_, exStyle_, dpi_);
  ::SetWindowPos(window_.get(), nullptr, origin.x, origin.y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame the system really drew can differ from the computed one (a DPI-unaware process,
  // a theme with other borders): the client area is what must come out exact.
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  const int dx = clientWidth - client.right;
  const int dy = clientHeight - client.bottom;
  if (dx != 0 || dy != 0) {
    ::SetWindowPos(window_.get(), nullptr, 0, 0, size.cx + dx, size.cy + dy,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

void FormWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  // The suggested rectangle scales the old frame; the size is worked out again from the twips
  // so that nothing drifts after several moves between monitors.
  ApplyDpi(dpi);
  SetOuterBounds({suggested.left, suggested.top});
}

void FormWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  ApplyFonts();
  ApplyIcons();
  PlaceControls();
  ApplyVisibility();
}

void FormWindow::ApplyFonts() {
  // The new fonts go in before the old ones are deleted: a control must never draw with a
  // deleted font.
  UniqueFont messageFont = CreateMessageFont(dpi_);
  for (Control& control : controls_) {
    if (control.window == nullptr) continue;
    UniqueFont own;
    if (control.layout.font) own = CreateDesignerFont(*control.layout.font, dpi_);
    HFONT font = own ? own.get() : messageFont.get();
    // A check list's headings draw in bold, so that each set stands apart from its pages.
    UniqueFont heading;
    if (control.layout.kind == ControlKind::kCheckList) {
      if (control.layout.font) {
        Font bold = *control.layout.font;
        bold.bold = true;
        heading = CreateDesignerFont(bold, dpi_);
      } else {
        heading = CreateMessageFont(dpi_, /*bold=*/true);
      }
    }
    ::SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    control.font = std::move(own);
    control.headingFont = std::move(heading);
  }
  messageFont_ = std::move(messageFont);
}

void FormWindow::ApplyIcons() {
  if (layout_.icon != Picture::kNone) {
    UniqueIcon big = LoadPicture(layout_.icon, SystemMetricForDpi(SM_CXICON, dpi_));
    UniqueIcon small = LoadPicture(layout_.icon, SystemMetricForDpi(SM_CXSMICON, dpi_));
    ::SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    ::SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
  }
  for (Control& control : controls_) {
    if (control.layout.kind != ControlKind::kImage || control.window == nullptr) continue;
    const RECT rect = PixelRect(control.formRect, dpi_);
    UniqueIcon icon = LoadPicture(control.layout.picture,
                                  std::min(rect.right - rect.left, rect.bottom - rect.top));
    ::SendMessageW(control.window, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    control.icon = std::move(icon);
  }
}

void FormWindow::PlaceControls() {
  for (const Control& control : controls_) {
    if (control.window == nullptr) continue;
    const RECT rect = PixelRect(control.formRect, dpi_);
    ::SetWindowPos(control.window, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (control.layout.kind == ControlKind::kCheckList) FitCheckListColumn(control);
  }
  ::InvalidateRect(window_.get(), nullptr, TRUE);
}

LRESULT FormWindow::OnCtlColorStatic(HDC dc, HWND control) {
  const Control* found = FindByWindow(control);
  const COLORREF text = found != nullptr && found->layout.color ? ColorFromOle(*found->layout.color)
                                                                : ::GetSysColor(COLOR_BTNTEXT);
  ::SetTextColor(dc, text);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void FormWindow::Paint() {
  const PaintScope paint(window_.get());
  for (const Control& control : controls_) {
    if (control.layout.kind != ControlKind::kLine || !EffectivelyVisible(control)) continue;
    const TwipsRect& line = control.formRect;
    const POINT from{TwipsToPixels(line.left, dpi_), TwipsToPixels(line.top, dpi_)};
    const POINT to{TwipsToPixels(line.left + line.width, dpi_),
                   TwipsToPixels(line.top + line.height, dpi_)};
    const int width = std::max(1, ::MulDiv(control.layout.lineWidthPixels, static_cast<int>(dpi_),
                                           static_cast<int>(kDefaultDpi)));
    const COLORREF color = ColorFromOle(control.layout.color.value_or(kWindowTextColor));
    if (from.y == to.y || from.x == to.x) {
      // A level or upright line lies below or right of its coordinates, whatever its width, so
      // that two lines on the same coordinates (a wide light one under a thin dark one) make
      // an etched rule.
      RECT band{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x),
                std::max(from.y, to.y)};
      if (from.y == to.y) {
        band.bottom = band.top + width;
      } else {
        band.right = band.left + width;
      }
      const UniqueBrush brush(::CreateSolidBrush(color));
      ::FillRect(paint.dc(), &band, brush.get());
    } else {
      LOGBRUSH penBrush{BS_SOLID, color, 0};
      const UniquePen pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                                         static_cast<DWORD>(width), &penBrush, 0, nullptr));
      const SelectedObject selected(paint.dc(), pen.get());
      ::MoveToEx(paint.dc(), from.x, from.y, nullptr);
      ::LineTo(paint.dc(), to.x, to.y);
    }
  }
}

}  // namespace pagemind::platform::win32
