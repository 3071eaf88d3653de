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
#include <type_traits>
#include <vector>

namespace {

struct LocalFreeDeleter {
  void operator()(LPWSTR* p) const { LocalFree(p); }
};
struct DesktopCloser {
  void operator()(HDESK d) const { CloseDesktop(d); }
};
using DesktopHandle = std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser>;

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length) ||
      length == 0) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 2000, &got)) {
    return {};
  }
  text.resize(got);
  return text;
}

// UTF-8 through WriteFile: the C runtime would convert through the console code page.
void PrintLine(const std::wstring& line) {
  std::wstring flat;
  for (wchar_t c : line) {
    if (c != L'\r') flat.push_back(c);
  }
  flat.push_back(L'\n');
  const int n = WideCharToMultiByte(CP_UTF8, 0, flat.data(), static_cast<int>(flat.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, flat.data(), static_cast<int>(flat.size()), out.data(), n,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}

}  // namespace

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

  struct Search {
    const std::wstring* title;
    HWND found;
  } search{&title, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (WindowText(hwnd) != *s->title) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return 2;

  std::vector<HWND> children;
  EnumChildWindows(
      search.found,
      [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    // IsWindowVisible also asks the parents, so a control of a hidden window counts as hidden;
    // the style bit is the control's own state.
    if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
    const std::wstring text = WindowText(child);
    if (!text.empty()) PrintLine(text);
  }
  return 0;
}
