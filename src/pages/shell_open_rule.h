#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace pagemind::pages {

// What the reopen command may hand to a browser object or to the shell's "open" for an address
// it read from a file (a slot, the recovery copy, the history), or nothing when the address
// is refused. Those files are plain text that anything may write, and both routes start
// whatever an address names: the shell runs programs and scripts, a browser object starts the
// handler of any protocol (javascript:, ms-settings:, …) and reaches network paths, which
// hands the user's credentials to that host. So only what a browser shows goes: web addresses
// (http, https), as they are, and for file: an existing local folder (it opens as a folder
// window) or a local document of a kind a browser shows. A file: address becomes the local
// path that was checked, so that no route parses the address again in its own way (a '#' or
// a "%XX" must not turn a checked document into something else).
std::optional<std::string> OpenableTarget(std::string_view address, platform::FileSystem& files);

// The local path a file: address names; nothing for another scheme, a host other than the
// local one (file://host/... and file:////host/...), or a path that cannot be one (a NUL, or
// bytes that are not UTF-8, such as a path escaped in a code page).
std::optional<std::filesystem::path> LocalPathOfFileAddress(std::string_view address);

}  // namespace pagemind::pages
