// pmctl: drives and inspects pagemind.exe's windows for the end-to-end tests.
//
// Hidden Win32 windows have no X window, so xdotool cannot see them; this tool runs in the same
// Wine session and asks user32 instead. Titles come in as UTF-16 (GetCommandLineW), every text
// goes out as UTF-8. Exit status: 0 yes/done, 1 no/timed out, 2 bad use or no such window.
//
// Set PMCTL_DESKTOP to a desktop name (e.g. the "e2e" of `explorer /desktop=e2e,...`) when the
// program runs in a Wine virtual desktop: windows are only found on the caller's own desktop.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "balloon_text.h"
#include "check_rows.h"
#include "window_tool.h"

namespace {

using namespace e2e_tool;
using Clock = std::chrono::steady_clock;
void PrintError(const std::string& line) {
  PrintErrorOf("pmctl", line);
}
constexpr int kDefaultTimeoutMs = 5000;
constexpr int kLongestLifetimeMs = 60000;
// The static text of a message box; user32 on Windows and Wine both use this id.
constexpr int kMessageBoxTextId = 0xFFFF;

HWND MessageBoxWindow(const std::wstring& caption) {
  for (HWND hwnd : TopLevelWindows()) {
    if (ClassName(hwnd) == L"#32770" && IsWindowVisible(hwnd) && WindowText(hwnd) == caption &&
        GetDlgItem(hwnd, kMessageBoxTextId) != nullptr) {
      return hwnd;
    }
  }
  return nullptr;
}

void PrintLines(const std::wstring& text) {
  // One line per control: a control's own CR LF line breaks become plain LF.
  std::wstring line;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    line.push_back(c);
  }
  Print(ToUtf8(line));
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
}

// Whether a button is a check box or option button, and its state; "-" for other controls.
std::string CheckState(HWND control) {
  if (ClassName(control) != L"Button") return "-";
  const auto type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  const bool checkable = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
  if (!checkable) return "-";
  DWORD_PTR state = 0;
  SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
  return state == BST_CHECKED ? "checked" : "unchecked";
}

// The virtual key of a key named on the command line; 0 for none.
WORD VirtualKey(const std::wstring& name) {
  if (name == L"return") return VK_RETURN;
  if (name == L"escape") return VK_ESCAPE;
  if (name.size() == 1 && std::iswalnum(name[0])) return static_cast<WORD>(std::towupper(name[0]));
  return 0;
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
  if (command == L"message-box-text" || command == L"click-ok") {
    int timeout = kDefaultTimeoutMs;
    if (args.size() > 3 || (args.size() >= 2 && !ParseInt(arg(1), timeout))) return Usage();
    const std::wstring caption = args.size() == 3 ? arg(2) : L"Pagemind";
    HWND box = nullptr;
    if (!WaitFor(timeout, [&] { return (box = MessageBoxWindow(caption)) != nullptr; })) {
      PrintError("no message box \"" + ToUtf8(caption) + "\"");
      return 1;
    }
    if (command == L"message-box-text") {
      PrintLines(WindowText(GetDlgItem(box, kMessageBoxTextId)));
    } else {
      // Posted as the button's own notification, so it works whether or not the box is active.
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    return 0;
  }

  if (command == L"press-key") {
    int timeout = kDefaultTimeoutMs;
    const WORD key = VirtualKey(arg(1));
    if (key == 0 || args.size() > 4 || (args.size() >= 3 && !ParseInt(arg(2), timeout))) {
      return Usage();
    }
    const std::wstring caption = args.size() == 4 ? arg(3) : L"Pagemind";
    HWND box = nullptr;
    if (!WaitFor(timeout, [&] { return (box = MessageBoxWindow(caption)) != nullptr; })) {
      PrintError("no message box \"" + ToUtf8(caption) + "\"");
      return 1;
    }
    // Keys go to the foreground window, which the box must be for the key to reach it.
    SetForegroundWindow(box);
    if (!WaitFor(kDefaultTimeoutMs, [&] { return GetForegroundWindow() == box; })) {
      PrintError("the message box did not come to the front");
      return 1;
    }
    INPUT strokes[2] = {};
    strokes[0].type = INPUT_KEYBOARD;
    strokes[0].ki.wVk = key;
    strokes[1] = strokes[0];
    strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, strokes, sizeof(INPUT)) == 2 ? 0 : 1;
  }

  // The rest act on one window found by title, visible or not.
  if (args.size() < 2) return Usage();
  HWND window = WindowTitled(arg(1));
  if (window == nullptr) {
    PrintError("no window titled \"" + ToUtf8(arg(1)) + "\"");
    return 2;
  }
  if (command == L"visible" && args.size() == 2) {
    Print(IsWindowVisible(window) ? "1" : "0");
    return 0;
  }
  if (command == L"post-command" && args.size() == 3 && ParseInt(arg(2), number)) {
    return PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(number), 0) ? 0 : 1;
  }
  if (command == L"end-session" && args.size() == 2) {
    // As Windows does at log-off: asks, then tells; the program ends inside the second call.
    SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return 0;
  }
  if (command == L"close" && args.size() == 2) {
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (command == L"text" && args.size() == 2) {
    std::vector<HWND> children;
    EnumChildWindows(
        window,
        [](HWND hwnd, LPARAM param) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      const std::wstring text = WindowText(child);
      if (!text.empty()) PrintLines(text);
    }
    return 0;
  }
  if (command == L"geometry" && args.size() == 2) {
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    POINT clientOrigin{0, 0};
    ClientToScreen(window, &clientOrigin);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    // A taskbar lists a visible window that is unowned and no tool window (or has
    // WS_EX_APPWINDOW).
    const bool inTaskbar =
        (exStyle & WS_EX_APPWINDOW) != 0 ||
        ((exStyle & WS_EX_TOOLWINDOW) == 0 && GetWindow(window, GW_OWNER) == nullptr);
    Print("window=" + RectText(outer) + " client=" + std::to_string(client.right) + "," +
          std::to_string(client.bottom) + " client_at=" + std::to_string(clientOrigin.x) + "," +
          std::to_string(clientOrigin.y) +
          " caption=" + ((style & WS_CAPTION) == WS_CAPTION ? "1" : "0") +
          " border=" + ((style & (WS_BORDER | WS_THICKFRAME | WS_DLGFRAME)) != 0 ? "1" : "0") +
          " taskbar=" + (inTaskbar ? "1" : "0") + " workarea=" + RectText(monitor.rcWork));
    return 0;
  }
  if (command == L"controls" && args.size() == 2) {
    const HWND focus = FocusOfThreadOf(window);
    for (HWND child : Descendants(window)) {
      RECT r{};
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      Print(ToUtf8(ClassName(child)) + "\t" + std::to_string(GetDlgCtrlID(child)) + "\t" +
            RectText(r) + "\t" + (IsWindowVisible(child) ? "1" : "0") + "\t" + CheckState(child) +
            "\t" + (child == focus ? "focus" : "-") + "\t" + ToUtf8(WindowText(child)));
    }
    return 0;
  }
  if (command == L"combo-items" && args.size() == 3 && ParseInt(arg(2), number)) {
    const HWND combo = GetDlgItem(window, number);
    if (combo == nullptr) {
      PrintError("no control " + std::to_string(number));
      return 2;
    }
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length < 0) continue;
      std::wstring item(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(item.data()));
      item.resize(static_cast<size_t>(length));
      Print((i == selected ? "*" : " ") + ToUtf8(item));
    }
    return 0;
  }
  if (command == L"check-rows" && args.size() == 2) return PrintCheckRows(window);
  if (command == L"list-items" && args.size() == 2) {
    std::vector<HWND> lists;
    EnumChildWindows(
        window,
        [](HWND hwnd, LPARAM param) -> BOOL {
          if (ClassName(hwnd) == L"ListBox")
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&lists));
    for (HWND list : lists) {
      const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) continue;
        std::wstring item(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(length));
        PrintLines(item);
      }
    }
    return 0;
  }
  return Usage();
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
