#include "common/paths.h"

namespace pagemind {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return {std::u8string(utf8.begin(), utf8.end())};
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programFolder) {
  return programFolder / "Pagemind.ini";
}

std::filesystem::path LogFolderPath(const std::filesystem::path& programFolder) {
  return programFolder / "Log";
}

}  // namespace pagemind
