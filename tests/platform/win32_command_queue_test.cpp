#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/escaped_exception.h"
#include "platform/win32/form_window.h"
#include "platform/win32/message_window.h"
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

// What the reports said while a ReportsRecorded lives, in place of the message box.
std::vector<std::string> reports;

class ReportsRecorded {
 public:
  ReportsRecorded()
      : previous_(
            SetEscapedExceptionSink([](std::string_view text) { reports.emplace_back(text); })) {
    reports.clear();
  }
  ~ReportsRecorded() { SetEscapedExceptionSink(previous_); }
  ReportsRecorded(const ReportsRecorded&) = delete;
  ReportsRecorded& operator=(const ReportsRecorded&) = delete;

 private:
  EscapedExceptionSink previous_;
};

bool Mentions(const std::string& report, std::string_view text) {
  return report.find(text) != std::string::npos;
}

// An exception from a handler would unwind through the system's frames, which ends the
// process: each place that dispatches stops it, reports it, and the program goes on.
TEST(Win32EscapedException, AFailingTimerHandlerOrCommandIsReportedAndTheLoopGoesOn) {
  const ReportsRecorded recorded;
  WindowUi ui;
  std::vector<std::string> ran;
  TimerEvents events;
  const auto main = ui.CreateForm(Plain("Main"), events);
  int ticks = 0;
  events.tick = [&] {
    if (++ticks == 1) throw std::runtime_error("the first tick failed");
    main->StopTimer(1);
    ui.Post([] { throw std::invalid_argument("the command failed"); });
    ui.Post([&] {
      ran.emplace_back("the next command");
      ::PostQuitMessage(0);
    });
  };
  main->StartTimer(1, 10ms);
  EXPECT_EQ(RunLoop(ui), 0);
  EXPECT_EQ(ticks, 2) << "the timer ticked again after its handler failed";
  EXPECT_EQ(ran, (std::vector<std::string>{"the next command"}));
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_TRUE(Mentions(reports[0], "the first tick failed")) << reports[0];
  EXPECT_TRUE(Mentions(reports[1], "the command failed")) << reports[1];
  EXPECT_TRUE(Mentions(reports[1], "Pagemind は動作を続けます")) << reports[1];
}

TEST(Win32EscapedException, AFailingHandlerOfAMessageWindowIsReported) {
  const ReportsRecorded recorded;
  struct Throwing : MessageHandler {
    std::optional<LRESULT> OnMessage(UINT message, WPARAM, LPARAM) override {
      if (message == WM_APP) throw 42;
      if (message == WM_APP + 1) return 7;
      return std::nullopt;
    }
  } handler;
  const MessageWindow window(MessageWindow::Kind::kMessageOnly, &handler);
  EXPECT_EQ(::SendMessageW(window.get(), WM_APP, 0, 0), 0);
  EXPECT_EQ(::SendMessageW(window.get(), WM_APP + 1, 0, 0), 7) << "the window still answers";
  ASSERT_EQ(reports.size(), 1U);
  EXPECT_TRUE(Mentions(reports[0], "unknown type")) << reports[0];
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
