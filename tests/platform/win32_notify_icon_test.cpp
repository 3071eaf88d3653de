#ifdef _WIN32

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/notify_icon.h"

namespace pagemind::platform::win32 {
namespace {

using namespace std::chrono_literals;

constexpr auto kRetry = 20ms;

// The shell as the icon sees it: it refuses to add an icon it holds and to modify or delete one
// it does not, and may be told to refuse the next adds.
struct ShellStandIn {
  struct Call {
    DWORD message;
    NOTIFYICONDATAA record;
  };
  std::vector<Call> calls;
  int refusedAdds = 0;
  bool holds = false;

  BOOL operator()(DWORD message, NOTIFYICONDATAA& record) {
    calls.push_back({message, record});
    switch (message) {
      case NIM_ADD:
        if (holds) return FALSE;
        if (refusedAdds > 0) {
          --refusedAdds;
          return FALSE;
        }
        holds = true;
        return TRUE;
      case NIM_MODIFY:
        return holds;
      case NIM_DELETE:
        return std::exchange(holds, false);
      default:
        return FALSE;
    }
  }
  [[nodiscard]] int Count(DWORD message) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const Call& c) { return c.message == message; }));
  }
};

struct Events : NotifyIconEvents {
  int doubleClicks = 0;
  int menuRequests = 0;
  int balloonClicks = 0;
  std::function<void()> onMenu;
  void OnIconDoubleClick() override { ++doubleClicks; }
  void OnBalloonClick() override { ++balloonClicks; }
  void OnIconMenuRequested() override {
    ++menuRequests;
    if (onMenu) onMenu();
  }
};

// Dispatches this thread's messages until `done` holds or `limit` has passed; waits for
// messages rather than sleeping.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left <= 0ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

class Win32NotifyIcon : public ::testing::Test {
 protected:
  std::unique_ptr<ShellNotifyIcon> MakeIcon() {
    return std::make_unique<ShellNotifyIcon>(
        events, [this](DWORD m, NOTIFYICONDATAA& r) { return shell(m, r); }, kRetry,
        [this](DWORD m, NOTIFYICONDATAW& r) {
          balloonCalls.push_back({m, r});
          return shell.holds ? TRUE : FALSE;
        });
  }
  // As the shell calls back for the first version of the record: the icon's number in wParam,
  // the mouse message in lParam.
  static void Callback(const ShellNotifyIcon& icon, LPARAM lParam) {
    ::PostMessageW(icon.ReceivingWindow(), WM_LBUTTONDOWN, 10, lParam);
    PumpUntil([] { return false; }, 0ms);
  }
  static void TaskbarCreated(const ShellNotifyIcon& icon) {
    ::SendMessageW(icon.ReceivingWindow(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  }

  ShellStandIn shell;
  struct BalloonCall {
    DWORD message;
    NOTIFYICONDATAW record;
  };
  std::vector<BalloonCall> balloonCalls;
  Events events;
};

TEST_F(Win32NotifyIcon, RegistersTheFirstVersionsAnsiRecordWithATopLevelReceiver) {
  const auto icon = MakeIcon();
  EXPECT_TRUE(shell.calls.empty()) << "nothing reaches the shell before Show";
  EXPECT_FALSE(icon->shown());
  icon->Show("Pagemind 1.0.0");
  EXPECT_TRUE(icon->shown());
  ASSERT_EQ(shell.calls.size(), 1U);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
  const NOTIFYICONDATAA& record = shell.calls[0].record;
  EXPECT_EQ(record.cbSize, sizeof(void*) == 8 ? 104U : 88U);
  EXPECT_EQ(record.hWnd, icon->ReceivingWindow());
  EXPECT_EQ(record.uID, 10U);
  EXPECT_EQ(record.uFlags, 7U);
  EXPECT_EQ(record.uCallbackMessage, 513U);
  EXPECT_NE(record.hIcon, nullptr);
  EXPECT_EQ(std::string(record.szTip, 64),
            std::string("Pagemind 1.0.0") + '\0' + std::string(49, ' '));

  // Hidden and top-level: a message-only window would never hear "TaskbarCreated".
  ASSERT_TRUE(::IsWindow(record.hWnd));
  EXPECT_FALSE(::IsWindowVisible(record.hWnd));
  EXPECT_EQ(::GetAncestor(record.hWnd, GA_PARENT), ::GetDesktopWindow());
  ::SendMessageW(record.hWnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(record.hWnd)) << "a close request (taskkill) leaves it alone";
}

TEST_F(Win32NotifyIcon, TheTipIsCutAtACharacterToSixtyThreeBytes) {
  const auto icon = MakeIcon();
  icon->Show(std::string(100, 'x'));
  EXPECT_EQ(std::string(icon->Record().szTip, 64), std::string(63, 'x') + '\0');
  if (::GetACP() != 932) GTEST_SKIP() << "needs the Japanese code page (LANG=ja_JP.UTF-8)";
  std::string japanese;
  for (int i = 0; i < 40; ++i) japanese += "あ";  // 82 A0 in code page 932
  icon->Show(japanese);
  std::string expected;
  for (int i = 0; i < 31; ++i) expected += "\x82\xA0";
  const NOTIFYICONDATAA record = icon->Record();
  EXPECT_EQ(std::string(record.szTip, 64), expected + '\0' + ' ')
      << "31 whole characters: the 32nd would leave its first byte alone at byte 62";
  EXPECT_EQ(shell.Count(NIM_MODIFY), 1) << "a second Show changes the held icon's tip";
}

TEST_F(Win32NotifyIcon, OnlyTheDoubleClickAndTheRightButtonReachTheEvents) {
  const auto icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");
  for (const LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP,
                             WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_CONTEXTMENU, NIN_SELECT}) {
    Callback(*icon, mouse);
  }
  EXPECT_EQ(events.doubleClicks, 0);
  EXPECT_EQ(events.menuRequests, 0);
  Callback(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(events.doubleClicks, 1);
  Callback(*icon, WM_RBUTTONDOWN);
  EXPECT_EQ(events.menuRequests, 1);
  // The later record versions put the icon's number in the high word.
  Callback(*icon, MAKELPARAM(WM_LBUTTONDBLCLK, 10));
  EXPECT_EQ(events.doubleClicks, 2);
  EXPECT_EQ(events.menuRequests, 1);
}

TEST_F(Win32NotifyIcon, TheBalloonModifiesTheIconWithTheShell5RecordAndLeavesItsRegistration) {
  const auto icon = MakeIcon();
  icon->ShowBalloon("Pagemind", "before the icon is shown");
  EXPECT_TRUE(balloonCalls.empty()) << "no icon for it yet";
  icon->Show("Pagemind 1.0.0");
  const NOTIFYICONDATAA registered = icon->Record();
  icon->ShowBalloon("Pagemind", "ブラウザ\n3 ページ");
  ASSERT_EQ(balloonCalls.size(), 1U);
  EXPECT_EQ(balloonCalls[0].message, static_cast<DWORD>(NIM_MODIFY));
  const NOTIFYICONDATAW& balloon = balloonCalls[0].record;
  EXPECT_EQ(balloon.cbSize, sizeof(void*) == 8 ? 952U : 936U) << "NOTIFYICONDATAW_V2_SIZE";
  EXPECT_EQ(balloon.hWnd, icon->ReceivingWindow());
  EXPECT_EQ(balloon.uID, 10U);
  EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO)) << "neither icon, tip nor message";
  EXPECT_EQ(balloon.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(balloon.uTimeout, 30000U);
  EXPECT_EQ(std::wstring(balloon.szInfoTitle), L"Pagemind");
  EXPECT_EQ(std::wstring(balloon.szInfo), L"ブラウザ\n3 ページ");
  EXPECT_EQ(balloon.szTip[0], L'\0');

  // The ANSI registration goes on as it was, and a restarted shell gets that record again.
  EXPECT_EQ(shell.calls.size(), 1U) << "no ANSI call for the balloon";
  const NOTIFYICONDATAA after = icon->Record();
  EXPECT_EQ(after.cbSize, registered.cbSize);
  EXPECT_EQ(after.uFlags, registered.uFlags);
  EXPECT_EQ(std::string(after.szTip, 64), std::string(registered.szTip, 64));
  shell.holds = false;
  TaskbarCreated(*icon);
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.calls.back().record.cbSize, sizeof(void*) == 8 ? 104U : 88U);
  EXPECT_EQ(balloonCalls.size(), 1U) << "the balloon is not shown again";

  // Texts longer than the fields are cut with their NUL, a surrogate pair kept whole.
  std::string longText(254, 'x');
  longText += "\U0001F600";  // two UTF-16 units at 254 and 255: only the NUL fits there
  icon->ShowBalloon(std::string(100, 't'), longText);
  ASSERT_EQ(balloonCalls.size(), 2U);
  EXPECT_EQ(std::wstring(balloonCalls[1].record.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(std::wstring(balloonCalls[1].record.szInfo), std::wstring(254, L'x'));
}

TEST_F(Win32NotifyIcon, AClickOnTheBalloonReachesItsEventAndItsSiblingsDoNothing) {
  const auto icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");
  for (const LPARAM notification : {NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT}) {
    Callback(*icon, notification);
  }
  EXPECT_EQ(events.balloonClicks, 0);
  Callback(*icon, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(events.balloonClicks, 1);
  EXPECT_EQ(events.doubleClicks, 0);
  EXPECT_EQ(events.menuRequests, 0);
}

TEST_F(Win32NotifyIcon, AHandlerMayDestroyTheIconItWasCalledFor) {
  auto icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");
  const HWND window = icon->ReceivingWindow();
  events.onMenu = [&] { icon.reset(); };
  Callback(*icon, WM_RBUTTONDOWN);
  EXPECT_FALSE(icon);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_FALSE(shell.holds);
}

TEST_F(Win32NotifyIcon, TaskbarCreatedAddsTheIconAgainOrKeepsTheOneTheShellHolds) {
  const auto icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");

  // A broadcast while the shell still holds the icon (an add would be refused).
  shell.calls.clear();
  TaskbarCreated(*icon);
  EXPECT_TRUE(icon->shown());
  ASSERT_EQ(shell.calls.size(), 1U);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_MODIFY));
  PumpFor(5 * kRetry);
  EXPECT_EQ(shell.calls.size(), 1U) << "no retries: the icon is there";

  // The shell restarted and holds nothing.
  shell.holds = false;
  shell.calls.clear();
  TaskbarCreated(*icon);
  EXPECT_TRUE(icon->shown());
  EXPECT_TRUE(shell.holds);
  EXPECT_EQ(shell.Count(NIM_ADD), 1);
  EXPECT_EQ(std::string(shell.calls.back().record.szTip), "Pagemind 1.0.0");
  PumpFor(5 * kRetry);
  EXPECT_EQ(shell.Count(NIM_ADD), 1);

  // Not shown: the broadcast adds nothing.
  icon->Remove();
  shell.calls.clear();
  TaskbarCreated(*icon);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_FALSE(icon->shown());
}

TEST_F(Win32NotifyIcon, ARefusedAddIsOfferedAgainUntilTheShellTakesIt) {
  const auto icon = MakeIcon();
  shell.refusedAdds = 3;
  icon->Show("Pagemind 1.0.0");
  EXPECT_FALSE(icon->shown());
  ASSERT_TRUE(PumpUntil([&] { return icon->shown(); }));
  EXPECT_TRUE(shell.holds);
  EXPECT_EQ(shell.Count(NIM_ADD), 4);
  const auto calls = shell.calls.size();
  PumpFor(5 * kRetry);
  EXPECT_EQ(shell.calls.size(), calls) << "no more tries once it is there";

  // A shell that comes back refusing starts the retries again.
  shell.holds = false;
  shell.refusedAdds = 2;
  TaskbarCreated(*icon);
  EXPECT_FALSE(icon->shown());
  ASSERT_TRUE(PumpUntil([&] { return icon->shown(); }));
  EXPECT_EQ(shell.Count(NIM_ADD), 7);
}

TEST_F(Win32NotifyIcon, RemovingStopsTheRetriesAndDeletesTheIcon) {
  const auto icon = MakeIcon();
  shell.refusedAdds = 1000;
  icon->Show("Pagemind 1.0.0");
  ASSERT_TRUE(PumpUntil([&] { return shell.Count(NIM_ADD) >= 2; })) << "retrying";
  icon->Remove();
  const auto calls = shell.calls.size();
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  PumpFor(5 * kRetry);
  EXPECT_EQ(shell.calls.size(), calls) << "no tries after Remove";
}

TEST_F(Win32NotifyIcon, DestroyingTheIconDeletesItOnce) {
  auto icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");
  const HWND window = icon->ReceivingWindow();
  icon.reset();
  ASSERT_EQ(shell.calls.size(), 2U);
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.calls[1].record.hWnd, window);
  EXPECT_EQ(shell.calls[1].record.uID, 10U);
  EXPECT_FALSE(shell.holds);

  icon = MakeIcon();
  icon->Show("Pagemind 1.0.0");
  icon->Remove();
  icon.reset();
  EXPECT_EQ(shell.Count(NIM_DELETE), 2) << "removed already: the destructor adds no delete";
  icon = MakeIcon();
  icon.reset();
  EXPECT_EQ(shell.calls.size(), 4U) << "never shown: nothing to delete";
}

// The real shell once: Wine's notification area takes the icon and lets it go.
TEST(Win32NotifyIconArea, TheShellTakesAndReleasesTheIcon) {
  Events events;
  ShellNotifyIconArea area;
  auto icon = area.CreateIcon(events);
  icon->Show("Pagemind 1.0.0");
  EXPECT_TRUE(icon->shown());
  icon->Remove();
  EXPECT_FALSE(icon->shown());
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
