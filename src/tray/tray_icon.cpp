#include "tray/tray_icon.h"

#include <algorithm>

namespace pagemind::tray {

platform::NotifyIconRecord MakeTrayIconRecord(const Version& version,
                                              const platform::AnsiCodec& ansi) {
  platform::NotifyIconRecord record;
  record.size = kNotifyIconRecordSize;
  record.iconId = kTrayIconId;
  record.icon = platform::Picture::kProgramIcon;
  record.flags = kTrayIconFlags;
  record.callbackMessage = kTrayCallbackMessage;
  record.tip.fill(' ');
  const std::string tip = ansi.ToAnsi(TrayTipText(version));
  // The NUL must fit: the shell shows the tip up to it.
  const std::size_t length = std::min(tip.size(), record.tip.size() - 1);
  std::copy_n(tip.begin(), length, record.tip.begin());
  record.tip[length] = '\0';
  return record;
}

TrayIcon::TrayIcon(platform::NotifyArea& area, platform::Form& owner, int receiverId,
                   platform::NotifyIconRecord record)
    : area_(area), owner_(owner), receiverId_(receiverId), record_(record) {}

bool TrayIcon::Register() {
  registered_ = area_.Add(owner_, receiverId_, record_);
  return registered_;
}

void TrayIcon::Remove() {
  // The shell identifies the icon by its window and number; the size is set again as when it
  // was added.
  record_.size = kNotifyIconRecordSize;
  record_.iconId = kTrayIconId;
  (void)area_.Delete(owner_, receiverId_, record_);
  registered_ = false;
}

}  // namespace pagemind::tray
