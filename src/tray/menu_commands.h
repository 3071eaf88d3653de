#pragma once

namespace pagemind::tray {

// The tray menu's commands, named by what they do. The numbers reach the hidden main window as
// its commands; a test tool that drives the running program posts them too, so they never
// change. What each one does is in the resident program's command table.
enum MenuCommand : int {
  kReopenPages = 1001,
  kToggleAccessLog = 1002,
  kToggleSettings = 1003,
  kToggleAbout = 1004,
  kEndProgram = 1005,
  kChoosePages = 1006,
  kSwitchStartAtLogon = 1007,
};

}  // namespace pagemind::tray
