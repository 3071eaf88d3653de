#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "common/version.h"
#include "platform/notify_icon.h"
#include "platform/ui.h"
#include "tray/menu_commands.h"

namespace pagemind::tray {

// What the tray's commands reach: the main window decides when each one runs.
class TrayCommands {
 public:
  virtual void CommandChosen(MenuCommand command) = 0;
  // What the menu's log-on item shows, asked each time the menu opens.
  [[nodiscard]] virtual bool StartsAtLogon() const = 0;

 protected:
  ~TrayCommands() = default;
};

// What the crash balloon says happened when the shell's browser windows vanished together.
inline constexpr std::string_view kWindowsClosedTogether =
    "ブラウザのウィンドウがまとめて閉じられました。";

// The balloon's text after pages were lost (`cause`), for the pages that the reopen command
// would open: two lines.
std::string CrashBalloonText(std::size_t pages, std::string_view cause = kWindowsClosedTogether);

// Main's icon in the notification area: a double-click chooses the reopen command, the right
// button opens the tray menu, whose item is chosen once the menu has closed, and a click on the
// crash balloon chooses the reopen command as a double-click does.
class TrayIcon final : platform::NotifyIconEvents {
 public:
  // `menuOwner` owns the popup menu; it outlives this object.
  TrayIcon(platform::NotifyArea& area, platform::Ui& ui, platform::Form& menuOwner,
           TrayCommands& commands);

  // Shows the icon with the tip "Pagemind 1.0.0".
  void Register(const Version& version);
  void Remove();
  // The balloon that offers to reopen `pages` pages; none when there is nothing to reopen.
  void ShowCrashBalloon(std::size_t pages, std::string_view cause = kWindowsClosedTogether);
  [[nodiscard]] bool shown() const { return icon_->shown(); }

 private:
  void OnIconDoubleClick() override;
  void OnIconMenuRequested() override;
  void OnBalloonClick() override;

  platform::Ui& ui_;
  platform::Form& menuOwner_;
  TrayCommands& commands_;
  std::unique_ptr<platform::NotifyIcon> icon_;
};

}  // namespace pagemind::tray
