#pragma once

namespace pagemind {

// Who makes Pagemind and where users reach them; the about window shows these and opens
// exactly what it shows.
inline constexpr const char* kAuthor = "Pagemind Project";
inline constexpr const char* kSupportWebAddress = "https://github.com/pagemind";
inline constexpr const char* kSupportMailAddress = "pagemind@users.noreply.github.com";

}  // namespace pagemind
