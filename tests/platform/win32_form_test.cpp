#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "win32_form_fixture.h"

namespace pagemind::platform::win32::form_testing {
namespace {

using namespace std::chrono_literals;

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

}  // namespace
}  // namespace pagemind::platform::win32::form_testing

#endif  // _WIN32
