#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/files.h"

namespace pagemind::pages {

// Whether an address that no browser object could take may go to the shell's "open". The shell
// starts whatever program a target names, and slot files are plain text that anything may
// write, so only what a browser shows goes: web addresses (http, https) and, for file:, an
// existing local folder (it opens as a folder window) or a local document of a kind a browser
// shows. Never a program, script, shortcut or unknown type, and never a network path, which
// would also hand the user's credentials to that host.
bool SafeToHandToShell(std::string_view address, platform::FileSystem& files);

// The local path a file: address names; nothing for another scheme, a host other than the
// local one (file://host/... and file:////host/...), or a path that cannot be one.
std::optional<std::filesystem::path> LocalPathOfFileAddress(std::string_view address);

}  // namespace pagemind::pages
