#pragma once

#include <functional>
#include <span>

#include "tray/menu_commands.h"

namespace pagemind::app {

// One tray command: what it shows, and what it does.
struct TrayCommand {
  tray::MenuCommand id;
  // A switch that opens no window runs at once, inside the menu's handling, and leaves the
  // windows as they are. Every other command runs from the top of the event loop.
  enum class Runs { kAtOnce, kFromTopLevel } runs = Runs::kFromTopLevel;
  // For a command that shows a window: whether the window shows now, and how it closes. While
  // it shows, the command closes it instead of running (the tray toggle).
  std::function<bool()> windowShown{};
  std::function<void()> closeWindow{};
  std::function<void()> action{};
};

// The row of `id`; nullptr for a number that is no command.
const TrayCommand* FindTrayCommand(std::span<const TrayCommand> table, int id);

}  // namespace pagemind::app
