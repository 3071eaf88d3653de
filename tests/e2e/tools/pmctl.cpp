// pmctl: drives and inspects pagemind.exe's windows for the end-to-end tests.
//
// Hidden Win32 windows have no X window, so xdotool cannot see them; this tool runs in the same
// Wine session and asks user32 instead. Titles come in as UTF-16 (GetCommandLineW), every text
// goes out as UTF-8. Exit status: 0 yes/done, 1 no/timed out, 2 bad use or no such window.
//
// The commands on message boxes are in pmctl_message_box.cpp, those on one window found by title
// in pmctl_window.cpp.
//
// Set PMCTL_DESKTOP to a desktop name (e.g. the "e2e" of `explorer /desktop=e2e,...`) when the
// program runs in a Wine virtual desktop: windows are only found on the caller's own desktop.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "balloon_text.h"
#include "pmctl.h"
#include "window_tool.h"

namespace pmctl {

void PrintError(const std::string& line) {
  e2e_tool::PrintErrorOf("pmctl", line);
}

int Usage() {
  PrintError(
      "usage: pmctl COMMAND ...\n"
      "  wait-window TITLE TIMEOUT_MS     until a top-level window with that exact title exists\n"
      "  wait-no-window TITLE TIMEOUT_MS  until no window with that title exists\n"
      "  lifetime TITLE TIMEOUT_MS        waits for the window to show, prints how many ms it\n"
      "                                   stayed visible (gives up after 60 s)\n"
      "  count TITLE                      prints how many windows have that title\n"
      "  count-visible TITLE              the same, counting only visible windows\n"
      "  visible TITLE                    prints 1 or 0\n"
      "  post-command TITLE ID            posts WM_COMMAND ID to the window\n"
      "  close TITLE                      posts WM_SYSCOMMAND SC_CLOSE (as Alt+F4)\n"
      "  end-session TITLE                WM_QUERYENDSESSION, then WM_ENDSESSION (log-off)\n"
      "  text TITLE                       prints the child controls' texts, one a line\n"
      "  list-items TITLE                 prints the items of the window's list boxes\n"
      "  check-rows TITLE                 the rows of its list views: [x], [ ] or no box, text\n"
      "  message-box-text [TIMEOUT_MS] [CAPTION]  prints an open message box's text\n"
      "  click-ok [TIMEOUT_MS] [CAPTION]  presses OK on the message box\n"
      "  press-key KEY [TIMEOUT_MS] [CAPTION]  brings the message box to the front and types\n"
      "                                   KEY on the keyboard: a letter (a button's access\n"
      "                                   key), return or escape\n"
      "  geometry TITLE                   the window's place and size in pixels, its client\n"
      "                                   size and place on screen, whether it has a caption\n"
      "                                   and a border and would be listed in a taskbar, and\n"
      "                                   the primary work area\n"
      "  controls TITLE                   per child control: CLASS ID X,Y,W,H (in the window's\n"
      "                                   client area) VISIBLE CHECK FOCUS TEXT, tab-separated\n"
      "  combo-items TITLE ID             the items of the combo box with that control id;\n"
      "                                   the selected one is marked with \"*\"\n"
      "  menu [TIMEOUT_MS]                waits for an open popup menu, prints its owner's pid\n"
      "                                   and its place and size\n"
      "  wait-no-menu TIMEOUT_MS          until no popup menu is open\n"
      "  windows                          lists all top-level windows\n"
      "  balloon                          the text of each balloon shown\n"
      "CAPTION defaults to \"Pagemind\"; TIMEOUT_MS to 5000.");
  return 2;
}

}  // namespace pmctl

namespace {

using namespace e2e_tool;
using namespace pmctl;
using Clock = std::chrono::steady_clock;
constexpr int kLongestLifetimeMs = 60000;

int Run(const std::vector<std::wstring>& args) {
  if (args.empty()) return Usage();
  const std::wstring& command = args[0];
  const auto arg = [&](size_t i) -> const std::wstring& {
    static const std::wstring empty;
    return i < args.size() ? args[i] : empty;
  };
  int number = 0;

  if (command == L"balloon") return PrintBalloons();
  if (command == L"windows") {
    for (HWND hwnd : TopLevelWindows()) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      Print(ToUtf8(L"pid=" + std::to_wstring(pid) + L" visible=" +
                   std::to_wstring(IsWindowVisible(hwnd) ? 1 : 0) + L" class=" + ClassName(hwnd) +
                   L" title=" + WindowText(hwnd)));
    }
    return 0;
  }
  if (command == L"wait-window" || command == L"wait-no-window") {
    if (args.size() != 3 || !ParseInt(arg(2), number)) return Usage();
    const bool want = command == L"wait-window";
    return WaitFor(number, [&] { return (WindowTitled(arg(1)) != nullptr) == want; }) ? 0 : 1;
  }
  if (command == L"lifetime") {
    if (args.size() != 3 || !ParseInt(arg(2), number)) return Usage();
    const auto shown = [&] {
      for (HWND hwnd : WindowsTitled(arg(1))) {
        if (IsWindowVisible(hwnd)) return true;
      }
      return false;
    };
    if (!WaitFor(number, shown)) return 1;
    const auto appeared = Clock::now();
    if (!WaitFor(kLongestLifetimeMs, [&] { return !shown(); })) return 1;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - appeared).count();
    Print(std::to_string(ms));
    return 0;
  }
  if (command == L"count" || command == L"count-visible") {
    if (args.size() != 2) return Usage();
    size_t count = 0;
    for (HWND hwnd : WindowsTitled(arg(1))) {
      if (command == L"count" || IsWindowVisible(hwnd)) ++count;
    }
    Print(std::to_string(count));
    return 0;
  }
  // Only the menu's window: its items cannot be read from another process, as Wine keeps them in
  // the process that made the menu.
  if (command == L"menu" || command == L"wait-no-menu") {
    int timeout = kDefaultTimeoutMs;
    if (args.size() > 2 || (args.size() == 2 && !ParseInt(arg(1), timeout))) return Usage();
    if (command == L"wait-no-menu") {
      return WaitFor(timeout, [] { return OpenMenuWindow() == nullptr; }) ? 0 : 1;
    }
    HWND menu = nullptr;
    if (!WaitFor(timeout, [&] { return (menu = OpenMenuWindow()) != nullptr; })) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(menu, &pid);
    RECT r{};
    GetWindowRect(menu, &r);
    Print("pid=" + std::to_string(pid) + " rect=" + RectText(r));
    return 0;
  }
  if (command == L"message-box-text" || command == L"click-ok" || command == L"press-key") {
    return RunMessageBoxCommand(args);
  }

  // The rest act on one window found by title, visible or not.
  if (args.size() < 2) return Usage();
  HWND window = WindowTitled(arg(1));
  if (window == nullptr) {
    PrintError("no window titled \"" + ToUtf8(arg(1)) + "\"");
    return 2;
  }
  return RunWindowCommand(args, window);
}

// The desktop of `explorer /desktop=NAME` exists only once that explorer has started, which may
// be a moment after the test launched it: wait for it as long as the command's own timeout.
int UseDesktop(const std::vector<std::wstring>& args, DesktopHandle& desktop) {
  const wchar_t* name = _wgetenv(L"PMCTL_DESKTOP");
  if (name == nullptr || *name == L'\0') return 0;
  int timeout = kDefaultTimeoutMs;
  if (args.size() == 3 && (args[0] == L"wait-window" || args[0] == L"wait-no-window")) {
    ParseInt(args[2], timeout);
  }
  WaitFor(timeout, [&] {
    desktop.reset(OpenDesktopW(name, 0, FALSE, GENERIC_ALL));
    return desktop != nullptr;
  });
  if (!desktop) {
    // No desktop, no window on it: that is what wait-no-window waits for.
    if (!args.empty() && args[0] == L"wait-no-window") return -1;
    PrintError("no desktop \"" + ToUtf8(name) + "\"");
    return 2;
  }
  if (!SetThreadDesktop(desktop.get())) {
    PrintError("cannot switch to desktop \"" + ToUtf8(name) + "\"");
    return 2;
  }
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv) return 2;
  const std::vector<std::wstring> args(argv.get() + 1, argv.get() + argc);

  DesktopHandle desktop;
  switch (UseDesktop(args, desktop)) {
    case 0:
      return Run(args);
    case -1:
      return 0;
    default:
      return 2;
  }
}
