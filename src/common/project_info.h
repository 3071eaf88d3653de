#pragma once

namespace pagemind {

// Who makes Pagemind and where users reach them; the about window shows these and opens
// exactly what it shows. They are short on purpose: the labels that show them are narrow.
inline constexpr const char* kAuthor = "PM Team";
inline constexpr const char* kSupportWebAddress = "http://pagemind.jp/";
inline constexpr const char* kSupportMailAddress = "support@pagemind.jp";

}  // namespace pagemind
