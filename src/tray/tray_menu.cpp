#include "tray/tray_menu.h"

#include "tray/menu_commands.h"

namespace pagemind::tray {

std::vector<platform::MenuItem> TrayMenuItems(bool startsAtLogon) {
  return {
      {kReopenPages, "Pagemind!!(&O)"},
      {kChoosePages, "ページを選んで開く...(&P)"},
      {0, "-"},
      {kToggleAccessLog, "ログの表示...(&L)"},
      {kToggleSettings, "設定...（&S）"},
      {0, "-"},
      {kToggleAbout, "バージョン情報(&V)"},
      {kSwitchStartAtLogon, "ログオン時に起動(&W)", startsAtLogon},
      {kEndProgram, "終了(&E)"},
  };
}

}  // namespace pagemind::tray
