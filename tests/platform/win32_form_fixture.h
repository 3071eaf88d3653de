#pragma once
// The window tests' shared parts: two layouts shaped like the program's own windows, an
// event recorder, and a fixture that pumps the real message loop.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/form_window.h"
#include "platform/win32/text.h"
#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32::form_testing {

using namespace std::chrono_literals;

// Control numbers chosen to collide with IDOK (1) and IDCANCEL (2): the form's own numbers must
// never be confused with the dialog manager's.
enum : int {
  kOk = 1,
  kCancel = 2,
  kTitle = 3,
  kLink = 4,
  kFrame1 = 5,
  kOption1 = 6,
  kOption2 = 7,
  kFrame2 = 8,
  kOption3 = 9,
  kOption4 = 10,
  kList = 11,
  kPicture = 12,
  kOther = 13,
};

inline ControlLayout Control(int id, ControlKind kind, std::string text, TwipsRect rect,
                             int frame = 0) {
  ControlLayout control;
  control.id = id;
  control.kind = kind;
  control.text = std::move(text);
  control.rect = rect;
  control.parent = frame;
  return control;
}

// The settings window's table, with a link label and a third button added.
inline FormLayout SettingsLikeLayout() {
  using enum ControlKind;
  FormLayout layout{
      .name = "Settings", .caption = "Pagemind - 設定", .clientWidth = 5550, .clientHeight = 2430};
  layout.controls = {
      Control(kTitle, kLabel, "同フォルダに作成されます。", {240, 120, 5055, 255}),
      Control(kFrame1, kFrame, "起動時の設定", {240, 480, 2415, 1095}),
      Control(kOption1, kOptionButton, "ロゴを表示する", {240, 360, 1695, 255}, kFrame1),
      Control(kOption2, kOptionButton, "ロゴを表示しない", {240, 600, 1815, 255}, kFrame1),
      Control(kFrame2, kFrame, "外部ログの参照", {2880, 480, 2415, 1095}),
      Control(kOption3, kOptionButton, "ログを参照する", {240, 360, 1815, 255}, kFrame2),
      Control(kOption4, kOptionButton, "ログを参照しない", {240, 600, 1935, 255}, kFrame2),
      Control(kLink, kLabel, "http://127.0.0.1/", {240, 1680, 2000, 255}),
      Control(kOk, kButton, "OK", {840, 1800, 1335, 375}),
      Control(kOther, kButton, "？", {2300, 1800, 600, 375}),
      Control(kCancel, kButton, "キャンセル", {3480, 1800, 1335, 375}),
  };
  ControlLayout& link = layout.controls[7];
  link.font = Font{.face = "ＭＳ Ｐゴシック", .points = 9, .underline = true};
  link.color = kSystemHighlight;
  link.clickable = true;
  layout.controls[8].isDefault = true;
  layout.controls[10].isCancel = true;
  return layout;
}

// The access-log window: borderless, out of the taskbar, no default or cancel button.
inline FormLayout AccessLogLikeLayout() {
  using enum ControlKind;
  FormLayout layout{.name = "Main",
                    .caption = "Pagemind - アクセスログ",
                    .clientWidth = 4875,
                    .clientHeight = 3855,
                    .border = Border::kNone,
                    .showInTaskbar = false};
  layout.controls = {Control(kList, kListBox, "", {120, 120, 4575, 3120}),
                     Control(kOther, kButton, "OK", {720, 3360, 1335, 375}),
                     Control(kPicture, kPictureBox, "", {3840, 0, 255, 255})};
  layout.controls[2].visible = false;
  return layout;
}

// Records every event; a test may act inside a handler through the hooks.
struct Recorder : FormEvents {
  std::vector<int> clicks, timers, commands;
  std::vector<UnloadReason> closeRequests;
  std::function<void(int)> onClick, onTimer;
  std::function<void(UnloadReason)> onClose;

  void OnClick(int id) override {
    clicks.push_back(id);
    if (onClick) onClick(id);
  }
  void OnTimer(int id) override {
    timers.push_back(id);
    if (onTimer) onTimer(id);
  }
  void OnCommand(int id) override { commands.push_back(id); }
  void OnCloseRequest(UnloadReason reason) override {
    closeRequests.push_back(reason);
    if (onClose) onClose(reason);
  }
};

class Win32Form : public ::testing::Test {
 protected:
  std::unique_ptr<Form> Make(const FormLayout& layout, Recorder& events) {
    auto form = ui.CreateForm(layout, events);
    if (Native(*form).Window() == nullptr) {
      ADD_FAILURE() << "no window: " << ::GetLastError();
    }
    return form;
  }
  static FormWindow& Native(Form& form) { return static_cast<FormWindow&>(form); }

  // Handles events until `done` holds or the time is up.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      ui.ProcessPendingEvents();
      ::Sleep(2);
    }
    return true;
  }
  void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
  }

  // Makes the form the active window, as the user's click would.
  bool Activate(Form& form) {
    const HWND window = Native(form).Window();
    form.SetVisible(true);
    ::SetForegroundWindow(window);
    return PumpUntil([&] { return ::GetActiveWindow() == window; });
  }

  // A key as the keyboard delivers it: posted to the focused window, then through the loop.
  void PressKey(WPARAM key) {
    const HWND focus = ::GetFocus();
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    PumpFor(30ms);
  }

  // A key as the keyboard types it, so that the key is down while its message is handled.
  void TypeKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof(INPUT));
    PumpFor(60ms);
  }

  static RECT ClientRectIn(HWND parent, HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  static std::wstring WindowTextOf(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
  }

  static LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ::GetObjectW(handle, sizeof(font), &font);
    return font;
  }

  WindowUi ui;
};

}  // namespace pagemind::platform::win32::form_testing

#endif  // _WIN32
