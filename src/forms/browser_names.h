#pragma once

#include <string>
#include <string_view>

namespace pagemind {

// "Google Chrome（Person 1）": a browser's profile as the user knows it, by the name the browser
// shows for it, else by its folder's; the browser alone for a profile in the browser's own
// folder (".").
std::string BrowserProfileName(std::string_view browser, std::string_view profileName,
                               std::string_view profileFolder);

}  // namespace pagemind
