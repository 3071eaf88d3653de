#pragma once
// What the parts of pmctl share (tests/e2e/tools/pmctl.cpp): each part answers the commands of
// one concern, and all print the way pmctl.cpp describes.
#include <windows.h>

#include <string>
#include <vector>

#include "window_tool.h"

namespace pmctl {

using Args = std::vector<std::wstring>;

constexpr int kDefaultTimeoutMs = 5000;

void PrintError(const std::string& line);
// Prints how to use pmctl and returns its status for a bad use.
int Usage();

// One line per control: a control's own CR LF line breaks become plain LF.
inline void PrintLines(const std::wstring& text) {
  std::wstring line;
  for (wchar_t c : text) {
    if (c != L'\r') line.push_back(c);
  }
  e2e_tool::Print(e2e_tool::ToUtf8(line));
}

inline std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
}

// message-box-text, click-ok and press-key (pmctl_message_box.cpp).
int RunMessageBoxCommand(const Args& args);

// The commands that act on the one window titled args[1] (pmctl_window.cpp).
int RunWindowCommand(const Args& args, HWND window);

}  // namespace pmctl
