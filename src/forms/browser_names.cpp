#include "forms/browser_names.h"

namespace pagemind {

std::string BrowserProfileName(std::string_view browser, std::string_view profileName,
                               std::string_view profileFolder) {
  std::string name(browser);
  const auto profile = profileName.empty() ? profileFolder : profileName;
  if (!profile.empty() && profile != ".") name += "（" + std::string(profile) + "）";
  return name;
}

}  // namespace pagemind
