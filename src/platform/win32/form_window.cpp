#include "platform/win32/form_window.h"

#include "platform/win32/dpi.h"
#include "platform/win32/escaped_exception.h"
#include "platform/win32/layout.h"
#include "platform/win32/pictures.h"
#include "platform/win32/text.h"
#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32 {

namespace {

constexpr wchar_t kFormClassName[] = L"Pagemind.Form";

}  // namespace

ATOM FormWindow::WindowClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    // Room for the dialog manager's own state: DefDlgProcW, which the forms leave their
    // messages to, keeps the default button and the focus of an inactive form there.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = ProgramModule();
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClassName;
    return ::RegisterClassExW(&windowClass);
  }();
  return atom;
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

  dpi_ = WindowDpi(window_.get());
  CreateControls();
  const Control* byDefault = DefaultControl();
  ::SendMessageW(window_.get(), DM_SETDEFID, byDefault != nullptr ? byDefault->childId : 0, 0);
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

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  // Also for the messages of a form being destroyed: DefDlgProcW frees its state on
  // WM_NCDESTROY.
  if (form == nullptr) return ::DefDlgProcW(window, message, wParam, lParam);
  try {
    return form->Handle(window, message, wParam, lParam);
  } catch (...) {
    ReportEscapedException("window message");
    return 0;
  }
}

// Every branch that calls into FormEvents returns straight after the call: the handler may
// have destroyed this object.
LRESULT FormWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommandMessage(wParam, lParam);

    case WM_TIMER: {
      FormEvents& events = events_;
      events.OnTimer(static_cast<int>(wParam));
      return 0;
    }

    // The user's close (close box, system menu, Alt+F4) arrives as SC_CLOSE, which is answered
    // here and never becomes a WM_CLOSE; a WM_CLOSE is therefore another program asking the
    // program to end, as taskkill, Task Manager and restart managers do.
    case WM_CLOSE: {
      FormEvents& events = events_;
      events.OnCloseRequest(UnloadReason::kTaskManager);
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

    case WM_NOTIFY:
      return OnNotify(window, wParam, lParam);

    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));

    case WM_PAINT:
      Paint();
      return 0;

    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;

    case WM_NCDESTROY:
      // Destroyed from outside (the session ending): the handle is no longer ours to destroy.
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      for (Control& control : controls_) control.window = nullptr;
      if (window_.release() != nullptr) ui_.FormClosed();
      break;

    default:
      break;
  }
  // The dialog manager's: the default button (DM_GETDEFID), the focus saved when the form
  // goes inactive and given back when it is activated or focused.
  return ::DefDlgProcW(window, message, wParam, lParam);
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

  if (OnButtonFocus(index, code)) return 0;
  const Control& control = controls_[index];
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

}  // namespace pagemind::platform::win32
