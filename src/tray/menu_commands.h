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
  kCommandStartAtLogon = 1006,
};

}  // namespace pagemind::tray
