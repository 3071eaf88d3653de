#include "platform/win32/form_window.h"

#include <algorithm>
#include <utility>

#include "platform/win32/fonts.h"
#include "platform/win32/layout.h"
#include "platform/win32/pictures.h"
#include "platform/win32/text.h"
#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32 {

namespace {

constexpr wchar_t kFormClassName[] = L"Pagemind.Form";

// Win32 ids of the controls: the form's own numbers may be anything, including IDOK and
// IDCANCEL, which the dialog manager gives a meaning of its own. Far above the program's menu
// command numbers, which arrive through the same WM_COMMAND.
constexpr int kFirstChildId = 0x7000;

// A line's colour when the designer gave none: the system's window-text colour.
constexpr OleColor kWindowTextColor = 0x80000000u | COLOR_WINDOWTEXT;

std::string WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return Narrow(text);
}

struct ThreadWindows {
  HWND except;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM context) {
  auto& windows = *reinterpret_cast<ThreadWindows*>(context);
  // Hidden windows of other kinds (the IME's, a tray icon's message window) are left alone:
  // disabling them would only break them.
  if (window != windows.except && ::IsWindowEnabled(window) &&
      (::IsWindowVisible(window) || FormWindow::IsForm(window))) {
    ::EnableWindow(window, FALSE);
    windows.disabled.push_back(window);
  }
  return TRUE;
}

}  // namespace

ATOM FormWindow::WindowClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ProgramModule();
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClassName;
    return ::RegisterClassExW(&windowClass);
  }();
  return atom;
}

void ModalState::Restore() {
  if (restored_) return;
  restored_ = true;
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (::IsWindow(*it)) ::EnableWindow(*it, TRUE);
  }
}

FormWindow::FormWindow(const FormLayout& layout, FormEvents& events, WindowUi& ui)
    : events_(events), ui_(ui), layout_(layout) {
  style_ = layout.border == Border::kNone ? WS_POPUP : (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  exStyle_ = layout.showInTaskbar ? 0 : WS_EX_TOOLWINDOW;
  // Not every shell honours WS_EX_TOOLWINDOW (Wine's taskbar lists any visible unowned
  // window); an owned window is left out of every taskbar.
  const HWND owner = layout.showInTaskbar ? nullptr : ui_.HiddenOwner();
  const std::wstring caption = Widen(layout.caption);
  // Created hidden and empty; the size follows once the window can say which DPI it has.
  window_.reset(::CreateWindowExW(exStyle_, MAKEINTATOM(WindowClass()), caption.c_str(), style_, 0,
                                  0, 0, 0, owner, nullptr, ProgramModule(), this));
  if (!window_) return;
  ui_.FormOpened();

  dpi_ = ::GetDpiForWindow(window_.get());
  if (dpi_ == 0) dpi_ = kDefaultDpi;
  CreateControls();
  ApplyDpi(dpi_);

  // Centred on the primary monitor's work area, the way the forms have always opened.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const SIZE size =
      WindowSizeForClient(TwipsToPixels(layout_.clientWidth, dpi_),
                          TwipsToPixels(layout_.clientHeight, dpi_), style_, exStyle_, dpi_);
  SetOuterBounds(CentredIn(monitor.rcWork, size));
}

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

FormWindow::~FormWindow() {
  if (modal_) modal_->Restore();
  if (!window_) return;
  // From here on no message may reach this object, which is being taken apart.
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
  ui_.FormClosed();
}

bool FormWindow::IsForm(HWND window) {
  return window != nullptr && static_cast<ATOM>(::GetClassWord(window, GCW_ATOM)) == WindowClass();
}

void FormWindow::CreateControls() {
  controls_.reserve(layout_.controls.size());
  bool cancelTaken = false;
  for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
    Control control;
    control.layout = layout_.controls[i];
    control.formRect = FormTwipsRect(layout_.controls, i);
    control.visible = control.layout.visible;
    control.childId = kFirstChildId + static_cast<int>(i);
    if (control.layout.isCancel && !cancelTaken) {
      // The dialog manager turns Esc into IDCANCEL.
      control.childId = IDCANCEL;
      cancelTaken = true;
    }
    controls_.push_back(std::move(control));
  }

  const ControlLayout* previous = nullptr;
  for (Control& control : controls_) {
    const ControlLayout& layout = control.layout;
    const wchar_t* windowClass = nullptr;
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    switch (layout.kind) {
      case ControlKind::kLabel:
        windowClass = L"STATIC";
        style |= WS_GROUP;
        // Labels show data (addresses, versions) in which '&' is an ordinary character.
        style |= SS_NOPREFIX | (layout.align == Align::kCenter  ? SS_CENTER
                                : layout.align == Align::kRight ? SS_RIGHT
                                                                : SS_LEFT);
        if (layout.clickable) style |= SS_NOTIFY;
        break;
      case ControlKind::kButton:
        windowClass = L"BUTTON";
        // BS_NOTIFY: the focus moving between buttons moves the default look with it.
        style |= WS_TABSTOP | WS_GROUP | BS_NOTIFY |
                 (layout.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::kOptionButton:
        windowClass = L"BUTTON";
        // Manual radio buttons: the form decides which is checked, so that a click from the
        // program and one from the user run the same steps. A run of option buttons in one
        // frame is one group for the arrow keys.
        // BS_NOTIFY: the arrow keys select the option they move the focus to (below).
        style |= WS_TABSTOP | BS_RADIOBUTTON | BS_NOTIFY;
        if (previous == nullptr || previous->kind != ControlKind::kOptionButton ||
            previous->parent != layout.parent) {
          style |= WS_GROUP;
        }
        break;
      case ControlKind::kFrame:
        windowClass = L"BUTTON";
        style |= BS_GROUPBOX | WS_GROUP;
        break;
      case ControlKind::kListBox:
        windowClass = L"LISTBOX";
        // No LBS_NOTIFY and no LBS_SORT: lines stay in the order the program puts them.
        style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kPictureBox:
        windowClass = L"STATIC";
        style |= WS_GROUP;
        break;
      case ControlKind::kImage:
        windowClass = L"STATIC";
        style |= WS_GROUP | SS_ICON | SS_CENTERIMAGE;
        break;
      case ControlKind::kLine:
        break;  // drawn by the form
    }
    previous = &layout;
    if (windowClass == nullptr) continue;
    const std::wstring text = layout.kind == ControlKind::kImage ? L"" : Widen(layout.text);
    control.window = ::CreateWindowExW(
        exStyle, windowClass, text.c_str(), style, 0, 0, 0, 0, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.childId)), ProgramModule(), nullptr);
    if (layout.kind == ControlKind::kPictureBox && control.window != nullptr) {
      // A picture box may receive the notification area's callbacks. The static control
      // leaves its window's user data to the application: it keeps the control's own
      // procedure there for every message that is not such a callback.
      const LONG_PTR original = ::SetWindowLongPtrW(
          control.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureBoxProcedure));
      ::SetWindowLongPtrW(control.window, GWLP_USERDATA, original);
    }
  }
}

void FormWindow::ReceiveTrayCallbacks(int controlId, UINT callbackMessage) {
  Control* control = Find(controlId);
  if (control != nullptr && control->layout.kind == ControlKind::kPictureBox) {
    control->trayMessage = callbackMessage;
  }
}

LRESULT CALLBACK FormWindow::PictureBoxProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  auto* form =
      reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(::GetParent(window), GWLP_USERDATA));
  if (form != nullptr && message != 0) {
    const Control* control = form->FindByWindow(window);
    if (control != nullptr && control->trayMessage == message) {
      // The icon's mouse message is in the low word, with either version of the record.
      FormEvents& events = form->events_;
      events.OnTrayMessage(static_cast<int>(LOWORD(lParam)));
      return 0;
    }
  }
  return ::CallWindowProcW(original, window, message, wParam, lParam);
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
    ::SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    control.font = std::move(own);
  }
  messageFont_ = std::move(messageFont);
}

void FormWindow::ApplyIcons() {
  if (layout_.icon != Picture::kNone) {
    UniqueIcon big = LoadPicture(layout_.icon, ::GetSystemMetricsForDpi(SM_CXICON, dpi_));
    UniqueIcon small = LoadPicture(layout_.icon, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi_));
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
  }
  ::InvalidateRect(window_.get(), nullptr, TRUE);
}

bool FormWindow::EffectivelyVisible(const Control& control) const {
  if (!control.visible) return false;
  int parent = control.layout.parent;
  for (std::size_t depth = 0; parent != 0 && depth < controls_.size(); ++depth) {
    const Control* frame = Find(parent);
    if (frame == nullptr) break;
    if (!frame->visible) return false;
    parent = frame->layout.parent;
  }
  return true;
}

void FormWindow::ApplyVisibility() {
  for (const Control& control : controls_) {
    if (control.window == nullptr) continue;
    ::ShowWindow(control.window, EffectivelyVisible(control) ? SW_SHOWNA : SW_HIDE);
  }
  ::InvalidateRect(window_.get(), nullptr, TRUE);  // lines are part of the form's own picture
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
      LOGBRUSH brushSpec{BS_SOLID, color, 0};
      const UniquePen pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                                         static_cast<DWORD>(width), &brushSpec, 0, nullptr));
      const SelectedObject selected(paint.dc(), pen.get());
      ::MoveToEx(paint.dc(), from.x, from.y, nullptr);
      ::LineTo(paint.dc(), to.x, to.y);
    }
  }
}

FormWindow::Control* FormWindow::Find(int controlId) {
  for (Control& control : controls_) {
    if (control.layout.id == controlId) return &control;
  }
  return nullptr;
}

const FormWindow::Control* FormWindow::Find(int controlId) const {
  for (const Control& control : controls_) {
    if (control.layout.id == controlId) return &control;
  }
  return nullptr;
}

FormWindow::Control* FormWindow::FindByWindow(HWND window) {
  if (window == nullptr) return nullptr;
  for (Control& control : controls_) {
    if (control.window == window) return &control;
  }
  return nullptr;
}

const FormWindow::Control* FormWindow::DefaultControl() const {
  for (const Control& control : controls_) {
    if (control.layout.isDefault && control.window != nullptr) return &control;
  }
  return nullptr;
}

const FormWindow::Control* FormWindow::CancelControl() const {
  for (const Control& control : controls_) {
    if (control.childId == IDCANCEL) return &control;
  }
  return nullptr;
}

HWND FormWindow::ControlWindow(int controlId) const {
  const Control* control = Find(controlId);
  return control != nullptr ? control->window : nullptr;
}

void FormWindow::ShowAsDefault(const Control* button) {
  // The push button Enter would press wears the default look, as in every dialog.
  for (const Control& control : controls_) {
    if (control.layout.kind != ControlKind::kButton || control.window == nullptr) continue;
    const DWORD style = &control == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((::GetWindowLongPtrW(control.window, GWL_STYLE) & BS_TYPEMASK) != style) {
      ::SendMessageW(control.window, BM_SETSTYLE, style, TRUE);
    }
  }
}

LRESULT FormWindow::DefaultButtonId() const {
  // Enter presses the push button that has the focus, as in every dialog, and otherwise the
  // form's default button.
  const HWND focus = ::GetFocus();
  for (const Control& control : controls_) {
    if (control.window == focus && control.layout.kind == ControlKind::kButton) {
      return MAKELRESULT(control.childId, DC_HASDEFID);
    }
  }
  const Control* byDefault = DefaultControl();
  if (byDefault == nullptr || !EffectivelyVisible(*byDefault) ||
      !::IsWindowEnabled(byDefault->window)) {
    return 0;
  }
  return MAKELRESULT(byDefault->childId, DC_HASDEFID);
}

bool FormWindow::HandleDialogKeys(MSG& message) {
  const HWND active = ::GetActiveWindow();
  if (!IsForm(active)) return false;
  if (message.hwnd != active && !::IsChild(active, message.hwnd)) return false;
  const auto* form =
      reinterpret_cast<const FormWindow*>(::GetWindowLongPtrW(active, GWLP_USERDATA));
  if (form == nullptr) return false;
  if (message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR) {
    // Without a button to press, the dialog manager would send IDOK or IDCANCEL as if from a
    // menu, indistinguishable from the program's own menu commands 1 and 2.
    if (message.wParam == VK_ESCAPE) {
      const Control* cancel = form->CancelControl();
      if (cancel == nullptr || !::IsWindowEnabled(cancel->window)) return false;
    } else if (message.wParam == VK_RETURN) {
      if (form->DefaultButtonId() == 0) return false;
    }
  }
  return ::IsDialogMessageW(active, &message) != FALSE;
}

void FormWindow::SaveFocus() {
  const HWND focus = ::GetFocus();
  if (focus != nullptr && ::IsChild(window_.get(), focus)) savedFocus_ = focus;
}

void FormWindow::RestoreFocus() {
  if (savedFocus_ != nullptr && ::IsWindow(savedFocus_) && ::IsWindowVisible(savedFocus_) &&
      ::IsWindowEnabled(savedFocus_)) {
    ::SetFocus(savedFocus_);
    return;
  }
  for (const Control& control : controls_) {
    if (control.window == nullptr) continue;
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control.window, GWL_STYLE));
    if ((style & WS_TABSTOP) != 0 && ::IsWindowVisible(control.window) &&
        ::IsWindowEnabled(control.window)) {
      ::SetFocus(control.window);
      return;
    }
  }
  ::SetFocus(window_.get());
}

void FormWindow::CheckOption(std::size_t index) {
  const int frame = controls_[index].layout.parent;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Control& other = controls_[i];
    if (other.layout.kind != ControlKind::kOptionButton || other.layout.parent != frame) continue;
    ::SendMessageW(other.window, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return form->Handle(window, message, wParam, lParam);
}

// Every branch that calls into FormEvents returns straight after the call: the handler may
// have destroyed this object.
LRESULT FormWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Broadcast to every top-level window when Explorer's taskbar starts again.
  static const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
  if (message == taskbarCreated && taskbarCreated != 0) {
    FormEvents& events = events_;
    events.OnTaskbarCreated();
    return 0;
  }
  switch (message) {
    case WM_COMMAND:
      return OnCommandMessage(wParam, lParam);

    case WM_TIMER: {
      FormEvents& events = events_;
      events.OnTimer(static_cast<int>(wParam));
      return 0;
    }

    case WM_CLOSE: {
      FormEvents& events = events_;
      events.OnCloseRequest(UnloadReason::kUserClose);
      return 0;
    }

    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        FormEvents& events = events_;
        events.OnCloseRequest(UnloadReason::kUserClose);
        return 0;
      }
      break;

    case WM_QUERYENDSESSION:
      return TRUE;

    case WM_ENDSESSION:
      if (wParam != FALSE) {
        FormEvents& events = events_;
        events.OnCloseRequest(UnloadReason::kWindowsSession);
      }
      return 0;

    case DM_GETDEFID:
      return DefaultButtonId();

    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      const Control* control = FindByWindow(reinterpret_cast<HWND>(lParam));
      const COLORREF text = control != nullptr && control->layout.color
                                ? ColorFromOle(*control->layout.color)
                                : ::GetSysColor(COLOR_BTNTEXT);
      ::SetTextColor(dc, text);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }

    case WM_PAINT:
      Paint();
      return 0;

    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        SaveFocus();
      } else if (HIWORD(wParam) == 0) {
        RestoreFocus();
      }
      return 0;

    case WM_SETFOCUS:
      // The form itself holds no caret or input: pass the focus on to its control.
      if (::GetActiveWindow() == window && !controls_.empty()) RestoreFocus();
      return 0;

    case WM_DPICHANGED: {
      // The suggested rectangle scales the old frame; the size is worked out again from the
      // twips so that nothing drifts after several moves between monitors.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ApplyDpi(LOWORD(wParam));
      SetOuterBounds({suggested->left, suggested->top});
      return 0;
    }

    case WM_NCDESTROY:
      // Destroyed from outside (the session ending): the handle is no longer ours to destroy.
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      for (Control& control : controls_) control.window = nullptr;
      if (window_.release() != nullptr) ui_.FormClosed();
      break;

    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FormWindow::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
  const int childId = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const auto source = reinterpret_cast<HWND>(lParam);

  std::size_t index = controls_.size();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].window != nullptr && controls_[i].childId == childId) {
      index = i;
      break;
    }
  }

  if (source == nullptr && index == controls_.size()) {
    // From a menu (code 0) or an accelerator (code 1): the program's own command numbers.
    if (code == 0 || code == 1) {
      FormEvents& events = events_;
      events.OnCommand(childId);
    }
    return 0;
  }
  // A command without a window but with a control's number (IDCANCEL from a menu or a
  // keyboard shortcut) presses that control, as in any dialog.
  if (index == controls_.size()) return 0;
  if (source != nullptr && source != controls_[index].window) return 0;

  const Control& control = controls_[index];
  if (control.layout.kind == ControlKind::kButton &&
      (code == BN_SETFOCUS || code == BN_KILLFOCUS)) {
    ShowAsDefault(code == BN_SETFOCUS ? &control : DefaultControl());
    return 0;
  }
  if (control.layout.kind == ControlKind::kOptionButton && code == BN_SETFOCUS) {
    // As with standard option buttons, the arrow keys select the option they move to; focus
    // that arrives by Tab or by the mouse selects nothing by itself.
    const bool byArrow = ::GetKeyState(VK_UP) < 0 || ::GetKeyState(VK_DOWN) < 0 ||
                         ::GetKeyState(VK_LEFT) < 0 || ::GetKeyState(VK_RIGHT) < 0;
    if (!byArrow || ::SendMessageW(control.window, BM_GETCHECK, 0, 0) == BST_CHECKED) return 0;
    CheckOption(index);
    const int id = control.layout.id;
    FormEvents& events = events_;
    events.OnClick(id);
    return 0;
  }
  // BN_CLICKED and STN_CLICKED are both 0; an accelerator's 1 counts as a press too.
  if (code != BN_CLICKED && !(source == nullptr && code == 1)) return 0;
  switch (control.layout.kind) {
    case ControlKind::kButton:
      break;
    case ControlKind::kOptionButton:
      CheckOption(index);
      break;
    case ControlKind::kLabel:
      if (!control.layout.clickable) return 0;
      break;
    default:
      return 0;
  }
  const int id = control.layout.id;
  FormEvents& events = events_;
  events.OnClick(id);
  return 0;
}

void FormWindow::SetVisible(bool visible) {
  if (!window_) return;
  if (!visible && modal_) {
    // Before the hide, so that Windows can hand the activation back to the window the modal
    // form came from rather than to another program.
    modal_->Restore();
    modal_.reset();
  }
  ::ShowWindow(window_.get(), visible ? SW_SHOW : SW_HIDE);
  if (!visible) return;
  // A window the user asked to see takes the keyboard, with the focus on its first control, so
  // that Enter presses its default button at once.
  ::SetForegroundWindow(window_.get());
  if (!::IsChild(window_.get(), ::GetFocus())) {
    if (HWND first = ::GetNextDlgTabItem(window_.get(), nullptr, FALSE)) ::SetFocus(first);
  }
}

bool FormWindow::IsVisible() const {
  return window_ && ::IsWindowVisible(window_.get());
}

void FormWindow::ShowModal() {
  if (!window_) return;
  const HWND window = window_.get();
  ThreadWindows others{window, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&others));
  const auto modal = std::make_shared<ModalState>(std::move(others.disabled));
  modal_ = modal;
  ::ShowWindow(window, SW_SHOW);
  ::SetActiveWindow(window);

  // From here on this object may be destroyed by any handler: only locals are used.
  while (::IsWindow(window) && ::IsWindowVisible(window)) {
    MSG message;
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) break;
    DispatchUiMessage(message);
  }
  modal->Restore();
}

void FormWindow::SetText(int controlId, std::string_view text) {
  const Control* control = Find(controlId);
  if (control == nullptr || control->window == nullptr) return;
  const std::wstring wide = Widen(text);
  ::SetWindowTextW(control->window, wide.c_str());
}

std::string FormWindow::Text(int controlId) const {
  return WindowText(ControlWindow(controlId));
}

void FormWindow::SetControlVisible(int controlId, bool visible) {
  Control* control = Find(controlId);
  if (control == nullptr || control->visible == visible) return;
  control->visible = visible;
  ApplyVisibility();
}

bool FormWindow::IsControlVisible(int controlId) const {
  const Control* control = Find(controlId);
  return control != nullptr && control->visible;
}

void FormWindow::SelectOption(int controlId) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].layout.id != controlId) continue;
    if (controls_[i].layout.kind != ControlKind::kOptionButton || controls_[i].window == nullptr) {
      return;
    }
    CheckOption(i);
    FormEvents& events = events_;
    events.OnClick(controlId);
    return;
  }
}

bool FormWindow::IsOptionSelected(int controlId) const {
  const HWND window = ControlWindow(controlId);
  return window != nullptr && ::SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormWindow::InsertLineAtTop(int controlId, std::string_view line) {
  const HWND list = ControlWindow(controlId);
  if (list == nullptr) return;
  const std::wstring wide = Widen(line);
  ::SendMessageW(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void FormWindow::ClearLines(int controlId) {
  const HWND list = ControlWindow(controlId);
  if (list != nullptr) ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
}

std::size_t FormWindow::LineCount(int controlId) const {
  const HWND list = ControlWindow(controlId);
  if (list == nullptr) return 0;
  const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string FormWindow::Line(int controlId, std::size_t index) const {
  const HWND list = ControlWindow(controlId);
  if (list == nullptr || index >= LineCount(controlId)) return {};
  const auto item = static_cast<WPARAM>(index);
  const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, item, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      ::SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return Narrow(text);
}

void FormWindow::RemoveLastLine(int controlId) {
  const std::size_t count = LineCount(controlId);
  if (count == 0) return;
  ::SendMessageW(ControlWindow(controlId), LB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
}

void FormWindow::RemoveCloseFromSystemMenu() {
  if (!window_) return;
  // FALSE: the window's current menu, not a fresh copy of the default one.
  HMENU menu = ::GetSystemMenu(window_.get(), FALSE);
  if (menu != nullptr) ::RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
  ::DrawMenuBar(window_.get());
}

void FormWindow::StartTimer(int timerId, std::chrono::milliseconds interval) {
  if (!window_) return;
  const auto count =
      std::clamp<long long>(interval.count(), USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  ::SetTimer(window_.get(), static_cast<UINT_PTR>(timerId), static_cast<UINT>(count), nullptr);
}

void FormWindow::StopTimer(int timerId) {
  if (window_) ::KillTimer(window_.get(), static_cast<UINT_PTR>(timerId));
}

}  // namespace pagemind::platform::win32
