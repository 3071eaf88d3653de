// pmctl's message box commands: reading an open box's text, pressing its OK, and typing a key
// into it as a user would.
#include <windows.h>

#include <cwctype>
#include <string>

#include "pmctl.h"
#include "window_tool.h"

namespace pmctl {
namespace {

using namespace e2e_tool;

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

// The virtual key of a key named on the command line; 0 for none.
WORD VirtualKey(const std::wstring& name) {
  if (name == L"return") return VK_RETURN;
  if (name == L"escape") return VK_ESCAPE;
  if (name.size() == 1 && std::iswalnum(name[0])) return static_cast<WORD>(std::towupper(name[0]));
  return 0;
}

// Waits up to TIMEOUT_MS for the box titled CAPTION; says so when none comes.
HWND WaitForMessageBox(int timeout, const std::wstring& caption) {
  HWND box = nullptr;
  if (!WaitFor(timeout, [&] { return (box = MessageBoxWindow(caption)) != nullptr; })) {
    PrintError("no message box \"" + ToUtf8(caption) + "\"");
  }
  return box;
}

// Types KEY into BOX; keys go to the foreground window, which the box must be for the key to
// reach it.
int PressKey(HWND box, WORD key) {
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

}  // namespace

int RunMessageBoxCommand(const Args& args) {
  const std::wstring& command = args[0];
  // press-key takes the key first; the timeout and the caption follow in both forms.
  const size_t first = command == L"press-key" ? 2 : 1;
  const WORD key = command == L"press-key" && args.size() > 1 ? VirtualKey(args[1]) : 0;
  int timeout = kDefaultTimeoutMs;
  if ((command == L"press-key" && key == 0) || args.size() > first + 2 ||
      (args.size() > first && !ParseInt(args[first], timeout))) {
    return Usage();
  }
  const std::wstring caption = args.size() == first + 2 ? args[first + 1] : L"Pagemind";
  const HWND box = WaitForMessageBox(timeout, caption);
  if (box == nullptr) return 1;
  if (command == L"message-box-text") {
    PrintLines(WindowText(GetDlgItem(box, kMessageBoxTextId)));
  } else if (command == L"click-ok") {
    // Posted as the button's own notification, so it works whether or not the box is active.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  } else {
    return PressKey(box, key);
  }
  return 0;
}

}  // namespace pmctl
