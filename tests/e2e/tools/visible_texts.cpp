// visible_texts: prints the texts of the controls of a window that are visible, one a line.
//
//   visible_texts TITLE
//
// A control a window hides (the splash's debug indicator, say) still has its text, so a list of
// all texts cannot tell whether it shows. Runs on the desktop named by PMCTL_DESKTOP, as pmctl
// does. Exit status: 0 done, 2 bad use or no such window.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "window_tool.h"

using namespace e2e_tool;

int main() {
  int argc = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc != 2) return 2;
  const std::wstring title = argv.get()[1];

  DesktopHandle desktop;
  if (const wchar_t* name = _wgetenv(L"PMCTL_DESKTOP"); name != nullptr && *name != L'\0') {
    desktop.reset(OpenDesktopW(name, 0, FALSE, GENERIC_ALL));
    if (!desktop || !SetThreadDesktop(desktop.get())) return 2;
  }

  const HWND window = WindowTitled(title);
  if (window == nullptr) return 2;
  for (HWND child : Descendants(window)) {
    // IsWindowVisible also asks the parents, so a control of a hidden window counts as hidden;
    // the style bit is the control's own state.
    if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
    std::wstring text = WindowText(child);
    if (text.empty()) continue;
    std::erase(text, L'\r');
    Print(ToUtf8(text));
  }
  return 0;
}
