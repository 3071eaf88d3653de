#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "win32_form_fixture.h"

namespace pagemind::platform::win32::form_testing {
namespace {

using namespace std::chrono_literals;

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
  ::SetFocus(native.ControlWindow(kOption1));
  TypeKey(VK_DOWN);
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption2));
  EXPECT_TRUE(form->IsOptionSelected(kOption2));
  TypeKey(VK_DOWN);  // round to the frame's first option, not on into the next frame
  EXPECT_EQ(::GetFocus(), native.ControlWindow(kOption1));
  EXPECT_TRUE(form->IsOptionSelected(kOption1));
  EXPECT_FALSE(form->IsOptionSelected(kOption2));
  TypeKey(VK_UP);
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
  bool modalDuringTicks = true;
  ownerEvents.onTimer = [&](int) {
    ownerEnabledDuringTicks.push_back(::IsWindowEnabled(ownerWindow) != FALSE);
    modalDuringTicks = modalDuringTicks && ui.InModalLoop();
    if (ownerEnabledDuringTicks.size() == 3) modal->SetVisible(false);
  };
  owner->StartTimer(1, 10ms);
  modal->ShowModal();
  owner->StopTimer(1);

  EXPECT_EQ(ownerEnabledDuringTicks, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(modalDuringTicks);
  EXPECT_FALSE(ui.InModalLoop());
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
}  // namespace pagemind::platform::win32::form_testing

#endif  // _WIN32
