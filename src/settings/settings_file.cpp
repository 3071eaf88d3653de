#include "settings/settings_file.h"

#include "common/paths.h"

namespace pagemind::settings {

SettingsFile::SettingsFile(platform::Profile& profile, const std::filesystem::path& programFolder)
    : profile_(profile), path_(SettingsFilePath(programFolder)) {}

int SettingsFile::Logo() const {
  return profile_.ReadInt(path_, kSectionSettings, kKeyLogo, 1);
}
int SettingsFile::Browsers() const {
  return profile_.ReadInt(path_, kSectionSettings, kKeyBrowsers, 1);
}

int SettingsFile::Log() const {
  return profile_.ReadInt(path_, kSectionSettings, kKeyLog, 1);
}
int SettingsFile::DebugMode() const {
  return profile_.ReadInt(path_, kSectionDebug, kKeyDebugMode, 0);
}

void SettingsFile::WriteLogo(bool on) const {
  // A failed write leaves the old value or the default for the next start; nothing else
  // depends on it.
  (void)profile_.WriteString(path_, kSectionSettings, kKeyLogo, on ? "1" : "0");
}

void SettingsFile::WriteLog(bool on) const {
  (void)profile_.WriteString(path_, kSectionSettings, kKeyLog, on ? "1" : "0");
}

}  // namespace pagemind::settings
