#pragma once

#include <string>

namespace pagemind {

// The program's own version record: major, minor and revision.
struct Version {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// "Ver:1.00" for 1.0.0: the minor number and the revision stand side by side, as the splash and
// about windows have always shown it ("Ver:1.213" for 1.2.13).
std::string VersionLabel(const Version& v);

// "Pagemind 1.0.0", the notification-area tip.
std::string TrayTipText(const Version& v);

}  // namespace pagemind
