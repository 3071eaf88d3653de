#pragma once

#include <vector>

#include "platform/ui.h"

namespace pagemind::tray {

// The tray popup menu, top to bottom; `startsAtLogon` checks its log-on item.
std::vector<platform::MenuItem> TrayMenuItems(bool startsAtLogon);

}  // namespace pagemind::tray
