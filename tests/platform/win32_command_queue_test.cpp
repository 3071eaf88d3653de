#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/form_window.h"
#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32 {
namespace {

using namespace std::chrono_literals;

constexpr int kFailedExit = 99;

FormLayout Plain(std::string name) {
  FormLayout layout;
  layout.name = std::move(name);
  layout.caption = "Pagemind";
  layout.clientWidth = 3000;
  layout.clientHeight = 1500;
  layout.showInTaskbar = false;
  return layout;
}

// The top-level loop, ended by the test's own PostQuitMessage(0) or after five seconds with
// kFailedExit, so that a command that never runs fails the test instead of hanging it.
int RunLoop(WindowUi& ui) {
  const UINT_PTR guard = ::SetTimer(
      nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(kFailedExit); });
  const int code = RunUiMessageLoop(ui);
  ::KillTimer(nullptr, guard);
  return code;
}

struct TimerEvents : FormEvents {
  std::function<void()> tick;
  void OnTimer(int) override {
    if (tick) tick();
  }
};

TEST(Win32CommandQueue, CommandsRunInOrderAndOnlyInTheTopLevelLoop) {
  WindowUi ui;
  std::vector<std::string> ran;
  ui.Post([&] {
    ran.emplace_back("first");
    ui.Post([&] {
      ran.emplace_back("posted by the first");
      ::PostQuitMessage(0);
    });
  });
  ui.Post([&] { ran.emplace_back("second"); });
  EXPECT_TRUE(ran.empty()) << "posting runs nothing";
  ui.ProcessPendingEvents();
  EXPECT_TRUE(ran.empty()) << "a nested loop sees the wake-up and runs nothing";
  EXPECT_EQ(RunLoop(ui), 0);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "posted by the first"}));
}

TEST(Win32CommandQueue, ACommandPostedInAModalWindowRunsAfterItsLoopReturned) {
  WindowUi ui;
  std::vector<std::string> ran;
  TimerEvents modalEvents;
  const auto modal = ui.CreateForm(Plain("Modal"), modalEvents);
  TimerEvents mainEvents;
  const auto main = ui.CreateForm(Plain("Main"), mainEvents);

  int modalTicks = 0;
  modalEvents.tick = [&] {
    // The wake-up was queued before the modal loop began, so that loop has dispatched it by
    // the first tick; closing at the second leaves it time for more.
    if (++modalTicks == 2) {
      ran.emplace_back("modal closes");
      modal->SetVisible(false);
    }
  };
  // Dispatched by the top-level loop, as a menu command or a tray click is.
  mainEvents.tick = [&] {
    main->StopTimer(1);
    ui.Post([&] {
      ran.emplace_back("posted");
      ::PostQuitMessage(0);
    });
    ran.emplace_back("handler");
    modal->StartTimer(1, 10ms);
    modal->ShowModal();
    modal->StopTimer(1);
    ran.emplace_back("modal returned");
  };
  main->StartTimer(1, 10ms);
  EXPECT_EQ(RunLoop(ui), 0);
  EXPECT_EQ(ran, (std::vector<std::string>{"handler", "modal closes", "modal returned", "posted"}));
}

TEST(Win32CommandQueue, MessageBoxesAndPopupMenusLeavePostedCommandsWaiting) {
  WindowUi ui;
  std::vector<std::string> ran;
  TimerEvents closerEvents;
  const auto closer = ui.CreateForm(Plain("Closer"), closerEvents);
  TimerEvents mainEvents;
  const auto main = ui.CreateForm(Plain("Main"), mainEvents);
  const HWND mainWindow = static_cast<FormWindow&>(*main).Window();

  // Closes the message box from another window's timer, as a user would.
  closerEvents.tick = [&] {
    for (HWND box = nullptr; (box = ::FindWindowExW(nullptr, box, L"#32770", L"Pagemind"));) {
      if (::GetWindowThreadProcessId(box, nullptr) != ::GetCurrentThreadId()) continue;
      ran.emplace_back("box closes");
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      closer->StopTimer(1);
    }
  };
  mainEvents.tick = [&] {
    main->StopTimer(1);
    ui.Post([&] { ran.emplace_back("posted before the box"); });
    ran.emplace_back("handler");
    closer->StartTimer(1, 20ms);
    ui.ShowMessage("確認", MessageIcon::kInformation);
    ran.emplace_back("box returned");

    ui.Post([&] {
      ran.emplace_back("posted before the menu");
      ::PostQuitMessage(0);
    });
    ::PostMessageW(mainWindow, WM_KEYDOWN, VK_ESCAPE, 1);
    const int chosen = ui.ShowPopupMenu(*main, {{1001, "Pagemind!!(&O)"}});
    ran.emplace_back(chosen == 0 ? "menu dismissed" : "menu chose");
  };
  main->StartTimer(1, 10ms);
  EXPECT_EQ(RunLoop(ui), 0);
  EXPECT_EQ(ran,
            (std::vector<std::string>{"handler", "box closes", "box returned", "menu dismissed",
                                      "posted before the box", "posted before the menu"}));
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
