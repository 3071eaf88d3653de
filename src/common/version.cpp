#include "common/version.h"

namespace pagemind {

std::string VersionLabel(const Version& v) {
  return "Ver:" + std::to_string(v.major) + "." + std::to_string(v.minor) +
         std::to_string(v.revision);
}

std::string TrayTipText(const Version& v) {
  return "Pagemind " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
         std::to_string(v.revision);
}

}  // namespace pagemind
