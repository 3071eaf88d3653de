#pragma once

#include <vector>

#include "platform/ui.h"

namespace pagemind::tray {

// MenuList, the tray popup, top to bottom.
std::vector<platform::MenuItem> TrayMenuItems();

}  // namespace pagemind::tray
