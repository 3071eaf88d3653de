#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pagemind {

// Paths are std::filesystem paths; texts inside the program are UTF-8. These two convert
// between them without going through the system's narrow code page.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// Every file of the program lies in or under the folder that holds the executable.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programFolder);
std::filesystem::path LogFolderPath(const std::filesystem::path& programFolder);

}  // namespace pagemind
