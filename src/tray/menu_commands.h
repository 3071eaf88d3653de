#pragma once

namespace pagemind::tray {

// The tray menu's command items. The numbers reach `Main` as its commands; a test tool that
// drives the running program posts them too, so they never change.
enum MenuCommand : int {
  kCommandPagemind = 1001,
  kCommandShowLog = 1002,
  kCommandShowSettings = 1003,
  kCommandShowVersion = 1004,
  kCommandEnd = 1005,
  kCommandChoosePages = 1006,
  kCommandStartAtLogon = 1007,
};

}  // namespace pagemind::tray
