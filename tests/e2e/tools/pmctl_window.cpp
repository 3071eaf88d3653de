// pmctl's commands on one window found by title: its state, the messages a user or Windows would
// send it, and what its child controls show.
#include <windows.h>

#include <string>
#include <vector>

#include "check_rows.h"
#include "pmctl.h"
#include "window_tool.h"

namespace pmctl {
namespace {

using namespace e2e_tool;

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

int EndSession(HWND window) {
  // As Windows does at log-off: asks, then tells; the program ends inside the second call.
  SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                      &ignored);
  return 0;
}

int Geometry(HWND window) {
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

int Controls(HWND window) {
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

int ComboItems(HWND window, int id) {
  const HWND combo = GetDlgItem(window, id);
  if (combo == nullptr) {
    PrintError("no control " + std::to_string(id));
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
    // Appended, not prefixed: GCC 12 at -O3 warns wrongly (-Wrestrict) about "*" + string.
    std::string line = i == selected ? "*" : " ";
    line += ToUtf8(item);
    Print(line);
  }
  return 0;
}

}  // namespace

int RunWindowCommand(const Args& args, HWND window) {
  const std::wstring& command = args[0];
  int number = 0;
  const bool oneArgument = args.size() == 2;
  const bool numberArgument = args.size() == 3 && ParseInt(args[2], number);
  if (command == L"visible" && oneArgument) {
    Print(IsWindowVisible(window) ? "1" : "0");
    return 0;
  }
  if (command == L"post-command" && numberArgument) {
    return PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(number), 0) ? 0 : 1;
  }
  if (command == L"end-session" && oneArgument) return EndSession(window);
  if (command == L"close" && oneArgument) {
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (command == L"text" && oneArgument) {
    for (HWND child : Descendants(window)) {
      const std::wstring text = WindowText(child);
      if (!text.empty()) PrintLines(text);
    }
    return 0;
  }
  if (command == L"geometry" && oneArgument) return Geometry(window);
  if (command == L"controls" && oneArgument) return Controls(window);
  if (command == L"combo-items" && numberArgument) return ComboItems(window, number);
  if (command == L"check-rows" && oneArgument) return PrintCheckRows(window);
  if (command == L"list-items" && oneArgument) {
    for (const std::wstring& item : ListBoxLines(window)) PrintLines(item);
    return 0;
  }
  return Usage();
}

}  // namespace pmctl
