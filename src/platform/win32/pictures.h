#pragma once

#include <windows.h>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

// The module whose resources hold the program's icons: the executable.
[[nodiscard]] HINSTANCE ProgramModule();

// A picture as an icon of `size` by `size` pixels, as the program's own copy (destroyed by the
// owner). Taken from the program's resources, or the system's look-alike when the module has
// none, as in a test program. Empty for Picture::kNone.
[[nodiscard]] UniqueIcon LoadPicture(Picture picture, int size);

}  // namespace pagemind::platform::win32
