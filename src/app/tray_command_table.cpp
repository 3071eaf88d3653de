#include "app/tray_command_table.h"

#include <algorithm>

namespace pagemind::app {

const TrayCommand* FindTrayCommand(std::span<const TrayCommand> table, int id) {
  const auto row = std::find_if(table.begin(), table.end(),
                                [id](const TrayCommand& command) { return command.id == id; });
  return row == table.end() ? nullptr : &*row;
}

}  // namespace pagemind::app
