#include "platform/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/layout.h"
#include "platform/win32/pictures.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

// Win32 ids of the controls: the form's own numbers may be anything, including IDOK and
// IDCANCEL, which the dialog manager gives a meaning of its own. Far above the program's menu
// command numbers, which arrive through the same WM_COMMAND.
constexpr int kFirstChildId = 0x7000;

struct WindowKind {
  const wchar_t* windowClass = nullptr;  // none: the form draws the control itself
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
};

// `previous` is the control before it in the table, or nullptr for the first.
WindowKind WindowKindFor(const ControlLayout& layout, const ControlLayout* previous) {
  WindowKind kind;
  switch (layout.kind) {
    case ControlKind::kLabel:
      kind.windowClass = L"STATIC";
      kind.style |= WS_GROUP;
      // Labels show data (addresses, versions) in which '&' is an ordinary character.
      kind.style |= SS_NOPREFIX | (layout.align == Align::kCenter  ? SS_CENTER
                                   : layout.align == Align::kRight ? SS_RIGHT
                                                                   : SS_LEFT);
      if (layout.clickable) kind.style |= SS_NOTIFY;
      break;
    case ControlKind::kButton:
      kind.windowClass = L"BUTTON";
      // BS_NOTIFY: the focus moving between buttons moves the default look with it.
      kind.style |=
          WS_TABSTOP | WS_GROUP | BS_NOTIFY | (layout.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case ControlKind::kOptionButton:
      kind.windowClass = L"BUTTON";
      // Automatic: the dialog manager's arrow keys select the option they move to, which Tab
      // and the mouse moving the focus do not. A run of option buttons in one frame is one
      // group for those keys. The form still checks and clears a frame's options itself
      // (CheckOption), so that a click from the program and one from the user run the same
      // steps.
      kind.style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
      if (previous == nullptr || previous->kind != ControlKind::kOptionButton ||
          previous->parent != layout.parent) {
        kind.style |= WS_GROUP;
      }
      break;
    case ControlKind::kFrame:
      kind.windowClass = L"BUTTON";
      kind.style |= BS_GROUPBOX | WS_GROUP;
      break;
    case ControlKind::kListBox:
      kind.windowClass = L"LISTBOX";
      // No LBS_NOTIFY and no LBS_SORT: lines stay in the order the program puts them.
      kind.style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
      kind.exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kPictureBox:
      kind.windowClass = L"STATIC";
      kind.style |= WS_GROUP;
      break;
    case ControlKind::kImage:
      kind.windowClass = L"STATIC";
      kind.style |= WS_GROUP | SS_ICON | SS_CENTERIMAGE;
      break;
    case ControlKind::kCheckList:
      kind.windowClass = WC_LISTVIEWW;
      // One column without a header: a list of rows, of which one has the focus at a time.
      kind.style |= WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                    LVS_SHOWSELALWAYS;
      kind.exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kLine:
      break;
  }
  return kind;
}

std::string WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return Narrow(text);
}

}  // namespace

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
    const WindowKind kind = WindowKindFor(layout, previous);
    previous = &layout;
    if (kind.windowClass == nullptr) continue;
    const std::wstring text = layout.kind == ControlKind::kImage ? L"" : Widen(layout.text);
    control.window = ::CreateWindowExW(
        kind.exStyle, kind.windowClass, text.c_str(), kind.style, 0, 0, 0, 0, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.childId)), ProgramModule(), nullptr);
    if (control.window != nullptr && layout.kind == ControlKind::kCheckList) {
      SetUpCheckList(control);
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

HWND FormWindow::ControlWindow(int controlId) const {
  const Control* control = Find(controlId);
  return control != nullptr ? control->window : nullptr;
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

void FormWindow::CheckOption(std::size_t index) {
  const int frame = controls_[index].layout.parent;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Control& other = controls_[i];
    if (other.layout.kind != ControlKind::kOptionButton || other.layout.parent != frame) continue;
    ::SendMessageW(other.window, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
  }
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
