#include "platform/win32/form_window.h"

#include <utility>

#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32 {

namespace {

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

bool FormWindow::EnterPressesAButton() const {
  const HWND focus = ::GetFocus();
  for (const Control& control : controls_) {
    if (control.window == focus && control.layout.kind == ControlKind::kButton) return true;
  }
  // The dialog manager would press a hidden default button too.
  const LRESULT id = ::SendMessageW(window_.get(), DM_GETDEFID, 0, 0);
  if (HIWORD(id) != DC_HASDEFID) return false;
  const HWND button = ::GetDlgItem(window_.get(), LOWORD(id));
  return button != nullptr && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

bool FormWindow::OnButtonFocus(std::size_t index, int code) {
  // The default look follows the focus here, not by the dialog manager: that moves it only
  // when its own Tab and arrow keys move the focus, not on a click or SetFocus, and Enter
  // presses the focused button only while it wears the look. Measured under Wine 8: without
  // this, Win32Form.TabEnterAndEscWorkAsInADialog fails (Enter on a push button focused by
  // SetFocus pressed the default button instead).
  const Control& control = controls_[index];
  if (control.layout.kind != ControlKind::kButton ||
      (code != BN_SETFOCUS && code != BN_KILLFOCUS)) {
    return false;
  }
  ShowAsDefault(code == BN_SETFOCUS ? &control : DefaultControl());
  return true;
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
      if (!form->EnterPressesAButton()) return false;
    }
  }
  return ::IsDialogMessageW(active, &message) != FALSE;
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

void ModalState::Restore() {
  if (restored_) return;
  restored_ = true;
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (::IsWindow(*it)) ::EnableWindow(*it, TRUE);
  }
}

void FormWindow::ShowModal() {
  if (!window_) return;
  const HWND window = window_.get();
  ThreadWindows others{window, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&others));
  const auto modal = std::make_shared<ModalState>(std::move(others.disabled));
  modal_ = modal;
  const WindowUi::ModalLoop loop(ui_);
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

}  // namespace pagemind::platform::win32
