#pragma once

// Icon resource numbers as res/pagemind.rc declares them. Plain numbers there and here:
// winuser.rh already defines IDI_WARNING as the system's own exclamation icon.
#define PAGEMIND_ICON_PROGRAM 1
#define PAGEMIND_ICON_WARNING 2
