#pragma once
// pmctl check-rows: the rows of another process's list views with their check boxes.
//
// LVM_GETITEMTEXTW takes pointers (an LVITEMW and its text buffer) that user32 does not carry
// across processes: both are placed in the list's own process and read back from there.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "window_tool.h"

namespace e2e_tool {

// The LVITEMW written into the other process is this build's own: it only matches the list's
// when both are x86-64, as pmctl and pagemind.exe are.
static_assert(sizeof(void*) == 8, "pmctl reads x86-64 list views and must be x86-64 itself");

// Memory committed in another process for as long as the object lives.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, SIZE_T size)
      : process_(process),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE)) {}
  ~RemoteMemory() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  [[nodiscard]] char* get() const { return static_cast<char*>(address_); }

 private:
  HANDLE process_;
  void* address_;
};

// One line per row: "[x] text", "[ ] text", or "    text" for a row without a box (state
// image 0). False when the list's process cannot be read.
inline bool ReadCheckRows(HWND list, std::vector<std::string>& lines) {
  constexpr UINT kFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
  constexpr UINT kTimeoutMs = 2000;
  constexpr int kTextChars = 4096;  // longer than any address a browser keeps
  DWORD pid = 0;
  ::GetWindowThreadProcessId(list, &pid);
  const Handle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return false;
  const RemoteMemory remote(process.get(), sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  if (remote.get() == nullptr) return false;
  char* const remoteText = remote.get() + sizeof(LVITEMW);

  DWORD_PTR count = 0;
  if (!::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, kFlags, kTimeoutMs, &count)) {
    return false;
  }
  for (DWORD_PTR row = 0; row < count; ++row) {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<LPWSTR>(remoteText);
    item.cchTextMax = kTextChars;
    DWORD_PTR length = 0;
    DWORD_PTR state = 0;
    if (!::WriteProcessMemory(process.get(), remote.get(), &item, sizeof(item), nullptr) ||
        !::SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.get()),
                               kFlags, kTimeoutMs, &length) ||
        !::SendMessageTimeoutW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK, kFlags,
                               kTimeoutMs, &state)) {
      return false;
    }
    std::wstring text(std::min<DWORD_PTR>(length, kTextChars - 1), L'\0');
    if (!text.empty() && !::ReadProcessMemory(process.get(), remoteText, text.data(),
                                              text.size() * sizeof(wchar_t), nullptr)) {
      return false;
    }
    const auto image = (state & LVIS_STATEIMAGEMASK) >> 12;
    const char* mark = image == 0 ? "    " : image == 2 ? "[x] " : "[ ] ";
    lines.push_back(mark + ToUtf8(text));
  }
  return true;
}

// Prints the rows of every list view in `window`, in the order of the window's children.
inline int PrintCheckRows(HWND window) {
  for (HWND child : Descendants(window)) {
    if (ClassName(child) != L"SysListView32") continue;
    std::vector<std::string> lines;
    if (!ReadCheckRows(child, lines)) {
      PrintErrorOf("pmctl", "cannot read the list view's rows: error " +
                                std::to_string(::GetLastError()));
      return 1;
    }
    for (const std::string& line : lines) Print(line);
  }
  return 0;
}

}  // namespace e2e_tool
