#include "tray/tray_menu.h"

#include "tray/menu_commands.h"

namespace pagemind::tray {

std::vector<platform::MenuItem> TrayMenuItems(bool startsAtLogon) {
  return {
      {kCommandPagemind, "Pagemind!!(&O)"},
      {kCommandChoosePages, "ページを選んで開く...(&P)"},
      {0, "-"},  // Kugiri000
      {kCommandShowLog, "ログの表示...(&L)"},
      {kCommandShowSettings, "設定...（&S）"},
      {0, "-"},  // Kugiri002
      {kCommandShowVersion, "バージョン情報(&V)"},
      {kCommandStartAtLogon, "ログオン時に起動(&W)", startsAtLogon},
      {kCommandEnd, "終了(&E)"},
  };
}

}  // namespace pagemind::tray
