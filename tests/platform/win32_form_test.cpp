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

namespace pagemind::platform::win32 {
namespace {

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

ControlLayout Control(int id, ControlKind kind, std::string text, TwipsRect rect, int frame = 0) {
  ControlLayout control;
  control.id = id;
  control.kind = kind;
  control.text = std::move(text);
  control.rect = rect;
  control.parent = frame;
  return control;
}

// The settings window's table, with a link label and a third button added.
FormLayout SettingsLikeLayout() {
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
FormLayout AccessLogLikeLayout() {
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

TEST_F(Win32Form, CreatedHiddenAtItsTwipsSizeCentredWithTheFrameAsked) {
  Recorder events;
  for (const FormLayout& layout : {SettingsLikeLayout(), AccessLogLikeLayout()}) {
    SCOPED_TRACE(layout.name);
    const auto form = Make(layout, events);
    const HWND window = Native(*form).Window();
    EXPECT_FALSE(form->IsVisible());
    EXPECT_EQ(Narrow(WindowTextOf(window)), layout.caption);

    const auto dpi = static_cast<int>(Native(*form).Dpi());
    RECT client{}, outer{};
    ::GetClientRect(window, &client);
    ::GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, ::MulDiv(layout.clientWidth, dpi, 1440));
    EXPECT_EQ(client.bottom, ::MulDiv(layout.clientHeight, dpi, 1440));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);

    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0u);
    if (layout.border == Border::kNone) {
      EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_SYSMENU), 0u);
      EXPECT_EQ(outer.bottom - outer.top, client.bottom);
    } else {
      EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    }
    // Out of the taskbar: a tool window with a hidden owner, for shells that ignore the style.
    const HWND owner = ::GetWindow(window, GW_OWNER);
    EXPECT_EQ((exStyle & WS_EX_TOOLWINDOW) != 0, !layout.showInTaskbar);
    EXPECT_EQ(owner != nullptr, !layout.showInTaskbar);
    EXPECT_FALSE(owner != nullptr && ::IsWindowVisible(owner));
  }
}

TEST_F(Win32Form, ControlsAreChildrenOfTheFormInTabOrderWithFramesResolved) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  FormWindow& native = Native(*form);
  const HWND window = native.Window();
  const int dpi = static_cast<int>(native.Dpi());

  // Option3 lies in Frame2: 2880 + 240, 480 + 360 twips, and belongs to the form itself.
  const HWND option3 = native.ControlWindow(kOption3);
  EXPECT_EQ(::GetParent(option3), window);
  const RECT rect = ClientRectIn(window, option3);
  EXPECT_EQ(rect.left, ::MulDiv(3120, dpi, 1440));
  EXPECT_EQ(rect.top, ::MulDiv(840, dpi, 1440));
  EXPECT_EQ(rect.right - rect.left, ::MulDiv(1815, dpi, 1440));

  // The tab order is the table's order; labels and frames are no stops.
  std::vector<HWND> stops;
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) != 0) stops.push_back(child);
  }
  const std::vector<HWND> expected = {
      native.ControlWindow(kOption1), native.ControlWindow(kOption2), option3,
      native.ControlWindow(kOption4), native.ControlWindow(kOk),      native.ControlWindow(kOther),
      native.ControlWindow(kCancel)};
  EXPECT_EQ(stops, expected);
}

TEST_F(Win32Form, ListBoxKeepsLinesInInsertionOrderNewestFirst) {
  Recorder events;
  const auto form = Make(AccessLogLikeLayout(), events);
  const HWND list = Native(*form).ControlWindow(kList);
  form->RemoveLastLine(kList);  // nothing to remove is no error
  form->InsertLineAtTop(kList, "b http://127.0.0.1/b");
  form->InsertLineAtTop(kList, "タイトル");
  form->InsertLineAtTop(kList, "a http://127.0.0.1/a");
  ASSERT_EQ(form->LineCount(kList), 3u);
  EXPECT_EQ(form->Line(kList, 0), "a http://127.0.0.1/a");
  EXPECT_EQ(form->Line(kList, 1), "タイトル");
  EXPECT_EQ(form->Line(kList, 3), "");
  form->RemoveLastLine(kList);
  EXPECT_EQ(form->LineCount(kList), 2u);
  EXPECT_EQ(form->Line(kList, 1), "タイトル");
  form->ClearLines(kList);
  EXPECT_EQ(form->LineCount(kList), 0u);

  // The scroll bar comes once the lines no longer fit.
  for (int i = 0; i < 100; ++i) form->InsertLineAtTop(kList, std::to_string(i));
  EXPECT_NE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(Win32Form, TextsAndVisibilityFollowFramesWithoutLosingTheControlsOwnSetting) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  FormWindow& native = Native(*form);
  form->SetVisible(true);

  form->SetText(kTitle, "Ver:1.213 – 日本語 🌸");
  EXPECT_EQ(form->Text(kTitle), "Ver:1.213 – 日本語 🌸");
  EXPECT_EQ(form->Text(999), "");

  form->SetControlVisible(kFrame2, false);
  EXPECT_FALSE(::IsWindowVisible(native.ControlWindow(kFrame2)));
  EXPECT_FALSE(::IsWindowVisible(native.ControlWindow(kOption3)));
  EXPECT_TRUE(form->IsControlVisible(kOption3));
  EXPECT_TRUE(::IsWindowVisible(native.ControlWindow(kOption1)));

  form->SetControlVisible(kOption4, false);
  form->SetControlVisible(kFrame2, true);
  EXPECT_TRUE(::IsWindowVisible(native.ControlWindow(kOption3)));
  EXPECT_FALSE(::IsWindowVisible(native.ControlWindow(kOption4)));
  EXPECT_FALSE(form->IsControlVisible(kOption4));
}

TEST_F(Win32Form, SelectingAnOptionClearsOnlyItsOwnFrameAndRaisesItsClick) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  form->SelectOption(kOption1);
  form->SelectOption(kOption4);
  EXPECT_EQ(events.clicks, (std::vector<int>{kOption1, kOption4}));
  EXPECT_TRUE(form->IsOptionSelected(kOption1));
  EXPECT_TRUE(form->IsOptionSelected(kOption4));

  form->SelectOption(kOption2);
  EXPECT_FALSE(form->IsOptionSelected(kOption1));
  EXPECT_TRUE(form->IsOptionSelected(kOption2));
  EXPECT_TRUE(form->IsOptionSelected(kOption4));

  // The user's click runs the same steps.
  ::SendMessageW(Native(*form).ControlWindow(kOption3), BM_CLICK, 0, 0);
  EXPECT_TRUE(form->IsOptionSelected(kOption3));
  EXPECT_FALSE(form->IsOptionSelected(kOption4));
  EXPECT_TRUE(form->IsOptionSelected(kOption2));
  EXPECT_EQ(events.clicks.back(), kOption3);

  // Not an option button: nothing happens.
  const auto before = events.clicks.size();
  form->SelectOption(kOk);
  form->SelectOption(999);
  EXPECT_EQ(events.clicks.size(), before);
}

TEST_F(Win32Form, ClicksAndMenuCommandsKeepTheirOwnNumbers) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  FormWindow& native = Native(*form);
  const auto press = [&](int id) {
    ::SendMessageW(native.ControlWindow(id), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ::SendMessageW(native.ControlWindow(id), WM_LBUTTONUP, 0, 0);
  };
  press(kCancel);
  press(kOk);
  press(kLink);
  press(kTitle);  // a label acts on a click only when it is a link
  EXPECT_EQ(events.clicks, (std::vector<int>{kCancel, kOk, kLink}));

  // Command numbers equal to IDOK and to control numbers, from a menu and an accelerator.
  const HWND window = native.Window();
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kOption1, 1), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(1003, 0), 0);
  EXPECT_EQ(events.commands, (std::vector<int>{IDOK, kOption1, 1003}));
  // IDCANCEL without a window is the dialog manager's "cancel": it presses the cancel button.
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  EXPECT_EQ(events.clicks.back(), kCancel);
  EXPECT_EQ(events.commands.size(), 3u);
}

TEST_F(Win32Form, CloseRequestsCarryTheirReasonAndNeverCloseByThemselves) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  const HWND window = Native(*form).Window();
  form->SetVisible(true);
  // A plain WM_CLOSE is another program's (taskkill without /F); the user's close box, system
  // menu and Alt+F4 come as SC_CLOSE, which must not turn into a WM_CLOSE as well.
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  ::SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // the session goes on
  ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
  using enum UnloadReason;
  EXPECT_EQ(events.closeRequests, (std::vector{kTaskManager, kUserClose, kWindowsSession}));
  EXPECT_TRUE(form->IsVisible());

  const auto closeItem = [&] {
    return ::GetMenuState(::GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  };
  ASSERT_NE(closeItem(), static_cast<UINT>(-1));
  form->RemoveCloseFromSystemMenu();
  EXPECT_EQ(closeItem(), static_cast<UINT>(-1));
}

TEST_F(Win32Form, AHandlerMayDestroyItsOwnForm) {
  Recorder events;
  auto form = Make(SettingsLikeLayout(), events);
  HWND window = Native(*form).Window();
  events.onClick = [&](int) { form.reset(); };
  ::SendMessageW(Native(*form).ControlWindow(kOk), BM_CLICK, 0, 0);
  EXPECT_FALSE(form);
  EXPECT_FALSE(::IsWindow(window));

  form = Make(SettingsLikeLayout(), events);
  window = Native(*form).Window();
  form->SelectOption(kOption1);  // from the program's own call, too
  EXPECT_FALSE(::IsWindow(window));

  events.onClick = nullptr;
  events.onClose = [&](UnloadReason) { form.reset(); };
  form = Make(SettingsLikeLayout(), events);
  window = Native(*form).Window();
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(::IsWindow(window));

  events.onTimer = [&](int) { form.reset(); };
  form = Make(SettingsLikeLayout(), events);
  window = Native(*form).Window();
  form->StartTimer(5, 10ms);
  EXPECT_TRUE(PumpUntil([&] { return !form; }));
  PumpFor(50ms);
  EXPECT_EQ(events.timers, std::vector<int>{5});
}

TEST_F(Win32Form, TimersTickUnderTheirOwnNumberUntilStopped) {
  Recorder events;
  const auto form = Make(AccessLogLikeLayout(), events);
  form->StartTimer(7, 15ms);
  form->StartTimer(8, 1h);
  ASSERT_TRUE(PumpUntil([&] { return events.timers.size() >= 3; }));
  for (const int id : events.timers) EXPECT_EQ(id, 7);
  form->StopTimer(7);
  const auto ticks = events.timers.size();
  PumpFor(80ms);
  EXPECT_EQ(events.timers.size(), ticks);
}

TEST_F(Win32Form, TabEnterAndEscWorkAsInADialog) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  ASSERT_TRUE(Activate(*form));
  FormWindow& native = Native(*form);
  // The first tab stop has the focus; Tab moves on in the table's order.
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption1));
  PressKey(VK_TAB);
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption2));
  PressKey(VK_RETURN);
  PressKey(VK_ESCAPE);
  ::SetFocus(native.ControlWindow(kOther));
  PressKey(VK_RETURN);  // on a push button: that button
  EXPECT_EQ(events.clicks, (std::vector<int>{kOk, kCancel, kOther}));
  // ...which wears the default look until the focus leaves the buttons.
  const auto looksDefault = [&](int id) {
    return (::GetWindowLongPtrW(native.ControlWindow(id), GWL_STYLE) & BS_TYPEMASK) ==
           BS_DEFPUSHBUTTON;
  };
  EXPECT_TRUE(looksDefault(kOther));
  EXPECT_FALSE(looksDefault(kOk));
  ::SetFocus(native.ControlWindow(kOption1));
  EXPECT_TRUE(looksDefault(kOk));
  EXPECT_FALSE(looksDefault(kOther));

  // Without a default or a cancel button the keys do nothing: no IDOK or IDCANCEL arrives as
  // menu command 1 or 2.
  Recorder logEvents;
  const auto log = Make(AccessLogLikeLayout(), logEvents);
  ASSERT_TRUE(Activate(*log));
  ::SetFocus(Native(*log).ControlWindow(kList));
  PressKey(VK_ESCAPE);
  PressKey(VK_RETURN);
  EXPECT_TRUE(logEvents.commands.empty());
  EXPECT_TRUE(logEvents.clicks.empty());
  EXPECT_TRUE(events.commands.empty());
}

TEST_F(Win32Form, AFormActivatedAgainGivesTheFocusBackToItsControl) {
  Recorder events, otherEvents;
  const auto form = Make(SettingsLikeLayout(), events);
  const auto other = Make(AccessLogLikeLayout(), otherEvents);
  ASSERT_TRUE(Activate(*form));
  const HWND button = Native(*form).ControlWindow(kOther);
  ::SetFocus(button);
  ASSERT_TRUE(Activate(*other));
  EXPECT_TRUE(::IsChild(Native(*other).Window(), ::GetFocus()));
  ASSERT_TRUE(Activate(*form));
  EXPECT_EQ(::GetFocus(), button);
  // Focus given to the form itself goes on to a control: the form holds no input.
  ::SetFocus(Native(*form).Window());
  EXPECT_TRUE(::IsChild(Native(*form).Window(), ::GetFocus()));
}

TEST_F(Win32Form, ArrowKeysMoveAndSelectWithinOneFramesOptionsOnly) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  ASSERT_TRUE(Activate(*form));
  FormWindow& native = Native(*form);
  // As the keyboard types it, so that the key is down while its message is handled.
  const auto type = [&](WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof(INPUT));
    PumpFor(60ms);
  };
  ::SetFocus(native.ControlWindow(kOption1));
  type(VK_DOWN);
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption2));
  EXPECT_TRUE(form->IsOptionSelected(kOption2));
  type(VK_DOWN);  // round to the frame's first option, not on into the next frame
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption1));
  EXPECT_TRUE(form->IsOptionSelected(kOption1));
  EXPECT_FALSE(form->IsOptionSelected(kOption2));
  type(VK_UP);
  EXPECT_TRUE(form->IsOptionSelected(kOption2));
  EXPECT_EQ(events.clicks, (std::vector<int>{kOption2, kOption1, kOption2}));
  EXPECT_FALSE(form->IsOptionSelected(kOption3));
  EXPECT_FALSE(form->IsOptionSelected(kOption4));
}

TEST_F(Win32Form, ShowModalDisablesTheOtherFormsWhileOtherTimersTick) {
  Recorder ownerEvents, modalEvents;
  const auto owner = Make(AccessLogLikeLayout(), ownerEvents);
  const auto hiddenOwner = Make(AccessLogLikeLayout(), ownerEvents);
  const auto modal = Make(SettingsLikeLayout(), modalEvents);
  owner->SetVisible(true);
  const HWND ownerWindow = Native(*owner).Window();
  const HWND hiddenWindow = Native(*hiddenOwner).Window();
  ::EnableWindow(hiddenWindow, FALSE);  // already disabled: must stay so afterwards

  std::vector<bool> ownerEnabledDuringTicks;
  ownerEvents.onTimer = [&](int) {
    ownerEnabledDuringTicks.push_back(::IsWindowEnabled(ownerWindow) != FALSE);
    if (ownerEnabledDuringTicks.size() == 3) modal->SetVisible(false);
  };
  owner->StartTimer(1, 10ms);
  modal->ShowModal();
  owner->StopTimer(1);

  EXPECT_EQ(ownerEnabledDuringTicks, (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(modal->IsVisible());
  EXPECT_TRUE(::IsWindowEnabled(ownerWindow));
  EXPECT_FALSE(::IsWindowEnabled(hiddenWindow));
}

TEST_F(Win32Form, ShowModalReturnsWhenTheFormGoesOrTheProgramQuits) {
  Recorder ownerEvents, modalEvents;
  const auto owner = Make(AccessLogLikeLayout(), ownerEvents);
  owner->SetVisible(true);
  auto modal = Make(SettingsLikeLayout(), modalEvents);
  modalEvents.onTimer = [&](int) { modal.reset(); };
  modal->StartTimer(1, 10ms);
  Form& showing = *modal;
  showing.ShowModal();
  EXPECT_FALSE(modal);
  EXPECT_TRUE(::IsWindowEnabled(Native(*owner).Window()));

  modal = Make(SettingsLikeLayout(), modalEvents);
  modalEvents.onTimer = [&](int) { ::PostQuitMessage(42); };
  modal->StartTimer(1, 10ms);
  modal->ShowModal();
  modal->StopTimer(1);
  EXPECT_TRUE(modal->IsVisible());
  // The quit message is left for the outermost loop.
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 42u);
  EXPECT_TRUE(::IsWindowEnabled(Native(*owner).Window()));
}

TEST_F(Win32Form, ANewDpiLaysTheFormOutAgainFromItsTwips) {
  Recorder events;
  const auto form = Make(SettingsLikeLayout(), events);
  FormWindow& native = Native(*form);
  const HWND window = native.Window();
  RECT outer{};
  ::GetWindowRect(window, &outer);
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&outer));

  EXPECT_EQ(native.Dpi(), 192u);
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, ::MulDiv(5550, 192, 1440));
  EXPECT_EQ(client.bottom, ::MulDiv(2430, 192, 1440));
  const RECT option = ClientRectIn(window, native.ControlWindow(kOption3));
  EXPECT_EQ(option.left, ::MulDiv(3120, 192, 1440));
  EXPECT_EQ(option.bottom - option.top, ::MulDiv(255, 192, 1440));
  EXPECT_EQ(FontOf(native.ControlWindow(kLink)).lfHeight, -24);  // 9 pt at 192 DPI
}

TEST_F(Win32Form, FontsStayJapaneseAndLabelsTakeTheirColours) {
  FormLayout layout = SettingsLikeLayout();
  layout.controls.push_back(Control(50, ControlKind::kLabel, "代替", {0, 0, 900, 255}));
  layout.controls.back().font =
      Font{.face = "No Such Face 7f3a", .points = 11.25, .bold = true, .italic = true};
  Recorder events;
  const auto form = Make(layout, events);
  FormWindow& native = Native(*form);

  // What the font mapper really chose, not only what was asked for: the designer's face, a
  // missing face and the system's message font all end up with Japanese characters.
  const HDC dc = ::CreateCompatibleDC(nullptr);
  for (const int id : {int{kLink}, 50, int{kTitle}, int{kOk}}) {
    const HWND control = native.ControlWindow(id);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    EXPECT_EQ(::GetTextCharset(dc), SHIFTJIS_CHARSET) << id << Narrow(FontOf(control).lfFaceName);
    ::SelectObject(dc, previous);
  }
  const LOGFONTW link = FontOf(native.ControlWindow(kLink));
  EXPECT_EQ(link.lfHeight, -::MulDiv(9, static_cast<int>(native.Dpi()), 72));
  EXPECT_TRUE(link.lfUnderline);
  const LOGFONTW substitute = FontOf(native.ControlWindow(50));
  EXPECT_EQ(substitute.lfWeight, FW_BOLD);
  EXPECT_TRUE(substitute.lfItalic);
  EXPECT_STRNE(substitute.lfFaceName, L"No Such Face 7f3a");

  const auto textColour = [&](int id) {
    ::SendMessageW(native.Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(native.ControlWindow(id)));
    return ::GetTextColor(dc);
  };
  EXPECT_EQ(textColour(kLink), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(textColour(kTitle), ::GetSysColor(COLOR_BTNTEXT));
  ::DeleteDC(dc);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
