#include "platform/win32/shell_notify_area.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/form_window.h"
#include "platform/win32/pictures.h"

namespace pagemind::platform::win32 {

namespace {

NOTIFYICONDATAA MakeData(HWND receiver, const NotifyIconRecord& record) {
  NOTIFYICONDATAA data{};
  // The size names the record's version to the shell; a size this build cannot fill is
  // clamped rather than letting the shell read past the structure.
  data.cbSize = std::min<DWORD>(record.size, sizeof(data));
  data.hWnd = receiver;
  data.uID = record.iconId;
  data.uFlags = record.flags;
  data.uCallbackMessage = record.callbackMessage;
  static_assert(sizeof(data.szTip) >= sizeof(record.tip));
  std::memcpy(data.szTip, record.tip.data(), record.tip.size());
  data.szTip[record.tip.size() - 1] = '\0';
  return data;
}

}  // namespace

bool ShellNotifyArea::Add(Form& owner, int receiverId, const NotifyIconRecord& record) {
  auto& form = static_cast<FormWindow&>(owner);
  const HWND receiver = form.ControlWindow(receiverId);
  if (receiver == nullptr) return false;
  form.ReceiveTrayCallbacks(receiverId, record.callbackMessage);

  NOTIFYICONDATAA data = MakeData(receiver, record);
  UniqueIcon icon = LoadPicture(record.icon, ::GetSystemMetrics(SM_CXSMICON));
  data.hIcon = icon.get();
  if (!::Shell_NotifyIconA(NIM_ADD, &data)) return false;

  std::erase_if(entries_, [&](const Entry& entry) {
    return entry.receiver == receiver && entry.iconId == record.iconId;
  });
  entries_.push_back({receiver, record.iconId, std::move(icon)});
  return true;
}

bool ShellNotifyArea::Delete(Form& owner, int receiverId, const NotifyIconRecord& record) {
  const HWND receiver = static_cast<FormWindow&>(owner).ControlWindow(receiverId);
  if (receiver == nullptr) return false;
  NOTIFYICONDATAA data = MakeData(receiver, record);
  const bool deleted = ::Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
  // The icon goes only after the shell has let go of the entry that shows it.
  std::erase_if(entries_, [&](const Entry& entry) {
    return entry.receiver == receiver && entry.iconId == record.iconId;
  });
  return deleted;
}

}  // namespace pagemind::platform::win32
