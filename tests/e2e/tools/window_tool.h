#pragma once
// What the e2e tools share: UTF-8 output that the console code page cannot garble, the windows
// of the tool's desktop with their texts and list box items, and waiting for a condition with a
// deadline.
#include <windows.h>

#include <chrono>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace e2e_tool {

struct LocalFreeDeleter {
  void operator()(LPWSTR* p) const { ::LocalFree(p); }
};
struct DesktopCloser {
  void operator()(HDESK d) const { ::CloseDesktop(d); }
};
using DesktopHandle = std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser>;
struct HandleCloser {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

inline std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

// WriteFile, not printf: the C runtime would convert the bytes through the console code page.
inline void Write(HANDLE to, const std::string& text) {
  DWORD written = 0;
  ::WriteFile(to, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
inline void Print(const std::string& line) {
  Write(::GetStdHandle(STD_OUTPUT_HANDLE), line + "\n");
}
// TOOL: the tool's name, which starts the line.
inline void PrintErrorOf(std::string_view tool, const std::string& line) {
  Write(::GetStdHandle(STD_ERROR_HANDLE), std::string(tool) + ": " + line + "\n");
}

inline std::wstring WindowText(HWND hwnd) {
  // WM_GETTEXT rather than GetWindowTextW: for another process's window the latter returns only
  // what user32 caches, which misses text a control keeps itself. The timeout keeps a hung
  // program from hanging the test with it.
  constexpr UINT kFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, kFlags, 2000, &length) || length == 0) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             kFlags, 2000, &got)) {
    return {};
  }
  text.resize(got);
  return text;
}

inline std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = {};
  const int n = ::GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

inline BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
  return TRUE;
}

inline std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Children, grandchildren and so on.
inline std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> windows;
  ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

inline std::vector<HWND> WindowsTitled(const std::wstring& title) {
  std::vector<HWND> found;
  for (HWND hwnd : TopLevelWindows()) {
    if (WindowText(hwnd) == title) found.push_back(hwnd);
  }
  return found;
}

// The first, or none.
inline HWND WindowTitled(const std::wstring& title) {
  const auto found = WindowsTitled(title);
  return found.empty() ? nullptr : found.front();
}

// The popup menu a program shows with TrackPopupMenu: a top-level window of the system's menu
// class that is on screen.
inline HWND OpenMenuWindow() {
  for (HWND hwnd : TopLevelWindows()) {
    if (ClassName(hwnd) == L"#32768" && IsWindowVisible(hwnd)) return hwnd;
  }
  return nullptr;
}

// The window that has the keyboard focus in the thread that owns `window`: GetFocus only knows
// the caller's own thread.
inline HWND FocusOfThreadOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// The items of every list box among the window's descendants, in order.
inline std::vector<std::wstring> ListBoxLines(HWND window) {
  std::vector<std::wstring> lines;
  for (HWND child : Descendants(window)) {
    if (ClassName(child) != L"ListBox") continue;
    const LRESULT count = ::SendMessageW(child, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = ::SendMessageW(child, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length == LB_ERR) continue;
      std::wstring line(static_cast<size_t>(length) + 1, L'\0');
      const LRESULT got = ::SendMessageW(child, LB_GETTEXT, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(line.data()));
      line.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

template <typename Condition>
bool WaitFor(int timeoutMs, Condition condition) {
  constexpr auto kPollInterval = std::chrono::milliseconds(25);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

// A whole argument as a number, decimal or with C's 0x and 0 prefixes.
template <typename Int>
bool ParseInt(const std::wstring& text, Int& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  const long parsed = std::wcstol(text.c_str(), &end, 0);
  if (*end != L'\0') return false;
  value = static_cast<Int>(parsed);
  return true;
}

}  // namespace e2e_tool
