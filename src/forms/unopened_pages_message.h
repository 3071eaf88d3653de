#pragma once

#include <string>
#include <vector>

namespace pagemind {

// The message that lists the pages that could not be opened, shown by every command that opens
// pages.
std::string UnopenedPagesMessage(const std::vector<std::string>& addresses);

}  // namespace pagemind
