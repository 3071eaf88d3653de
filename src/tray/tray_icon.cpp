#include "tray/tray_icon.h"

#include "tray/tray_menu.h"

namespace pagemind::tray {

std::string CrashBalloonText(std::size_t pages, std::string_view cause) {
  return std::string(cause) + "\nアイコンをダブルクリックすると " + std::to_string(pages) +
         " ページを開き直します。";
}

TrayIcon::TrayIcon(platform::NotifyArea& area, platform::Ui& ui, platform::Form& menuOwner,
                   TrayCommands& commands)
    : ui_(ui), menuOwner_(menuOwner), commands_(commands), icon_(area.CreateIcon(*this)) {}

void TrayIcon::Register(const Version& version) {
  icon_->Show(TrayTipText(version));
}

void TrayIcon::Remove() {
  icon_->Remove();
}

void TrayIcon::ShowCrashBalloon(std::size_t pages, std::string_view cause) {
  if (pages == 0) return;
  icon_->ShowBalloon(platform::kApplicationTitle, CrashBalloonText(pages, cause));
}

void TrayIcon::OnIconDoubleClick() {
  commands_.CommandChosen(kReopenPages);
}

void TrayIcon::OnBalloonClick() {
  OnIconDoubleClick();
}

void TrayIcon::OnIconMenuRequested() {
  if (const int chosen = ui_.ShowPopupMenu(menuOwner_, TrayMenuItems(commands_.StartsAtLogon()))) {
    commands_.CommandChosen(static_cast<MenuCommand>(chosen));
  }
}

}  // namespace pagemind::tray
