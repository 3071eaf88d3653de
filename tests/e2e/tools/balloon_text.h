#pragma once
// pmctl balloon: the text of the balloons the notification area shows.
//
// Wine's tray shows a balloon as a tooltip window (TTS_BALLOON) of the process that holds the
// tray. TTM_ENUMTOOLSW takes a pointer, which user32 does not carry across processes: the
// structure and its text buffer are placed in that process and read back. Wine 8's tooltips
// answer no TTM_GETTITLE, so the title cannot be read.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "check_rows.h"
#include "window_tool.h"

namespace e2e_tool {

// The balloon's text, line breaks and all. False when the tooltip's process cannot be read.
inline bool ReadBalloonText(HWND tooltip, std::wstring& text) {
  constexpr UINT kFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
  constexpr UINT kTimeoutMs = 2000;
  constexpr int kTextChars = 1024;  // a balloon's text holds at most 256
  DWORD pid = 0;
  ::GetWindowThreadProcessId(tooltip, &pid);
  const Handle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return false;
  const SIZE_T textBytes = kTextChars * sizeof(wchar_t);
  const RemoteMemory remote(process.get(), sizeof(TTTOOLINFOW) + textBytes);
  if (remote.get() == nullptr) return false;
  char* const remoteText = remote.get() + sizeof(TTTOOLINFOW);

  // The tool's text is copied to lpszText as the tool is enumerated.
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.lpszText = reinterpret_cast<LPWSTR>(remoteText);
  const std::wstring zeros(kTextChars, L'\0');
  DWORD_PTR result = 0;
  if (!::WriteProcessMemory(process.get(), remoteText, zeros.data(), textBytes, nullptr) ||
      !::WriteProcessMemory(process.get(), remote.get(), &tool, sizeof(tool), nullptr) ||
      !::SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote.get()),
                             kFlags, kTimeoutMs, &result) ||
      result == 0) {
    return false;
  }
  std::wstring read(kTextChars, L'\0');
  if (!::ReadProcessMemory(process.get(), remoteText, read.data(), textBytes, nullptr)) {
    return false;
  }
  text = read.c_str();
  return true;
}

// The text of every balloon shown.
inline int PrintBalloons() {
  for (HWND hwnd : TopLevelWindows()) {
    if (ClassName(hwnd) != L"tooltips_class32" || !::IsWindowVisible(hwnd) ||
        (::GetWindowLongW(hwnd, GWL_STYLE) & TTS_BALLOON) == 0) {
      continue;
    }
    std::wstring text;
    if (!ReadBalloonText(hwnd, text)) {
      PrintErrorOf("pmctl", "cannot read the balloon: error " + std::to_string(::GetLastError()));
      return 1;
    }
    Print(ToUtf8(text));
  }
  return 0;
}

}  // namespace e2e_tool
