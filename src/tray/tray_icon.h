#pragma once

#include "common/version.h"
#include "platform/ansi.h"
#include "platform/notify_area.h"

namespace pagemind::tray {

// The record's size in the shell's first published form (NOTIFYICONDATAA_V1_SIZE): 88 bytes
// where pointers are 32 bits wide, 104 where they are 64.
inline constexpr std::uint32_t kNotifyIconRecordSize = sizeof(void*) == 8 ? 104 : 88;
inline constexpr std::uint32_t kTrayIconId = 10;
inline constexpr std::uint32_t kTrayIconFlags = 7;          // message, icon, tip
inline constexpr std::uint32_t kTrayCallbackMessage = 513;  // as a left-button press
inline constexpr int kMouseLeftDoubleClick = 515;
inline constexpr int kMouseRightButtonDown = 516;

// The record as registration fills it: "Pagemind 1.0.0", a NUL, then blanks to 64 bytes.
platform::NotifyIconRecord MakeTrayIconRecord(const Version& version,
                                              const platform::AnsiCodec& ansi);

// Main's icon in the notification area: added once Main has loaded, added again whenever the
// taskbar comes back, removed when Main unloads.
class TrayIcon {
 public:
  TrayIcon(platform::NotifyArea& area, platform::Form& owner, int receiverId,
           platform::NotifyIconRecord record);

  // False when the shell did not take the icon; the owner tries again later.
  bool Register();
  void Remove();
  [[nodiscard]] bool registered() const { return registered_; }

 private:
  platform::NotifyArea& area_;
  platform::Form& owner_;
  int receiverId_;
  platform::NotifyIconRecord record_;
  bool registered_ = false;
};

}  // namespace pagemind::tray
