#pragma once

#include <filesystem>
#include <system_error>

namespace pagemind::platform {

// The current user's own folders, where the browsers keep their profiles: the Chromium family
// under the local one, Firefox under the roaming one.
enum class UserFolder {
  kLocalAppData,    // %LOCALAPPDATA%, C:\Users\NAME\AppData\Local
  kRoamingAppData,  // %APPDATA%, C:\Users\NAME\AppData\Roaming
};

class UserFolders {
 public:
  virtual ~UserFolders() = default;
  // The folder's full path as the system names it (it may not exist yet). Empty, with `error`
  // set to the system's reason (for FileSystem::DescribeError), when the system cannot say.
  virtual std::filesystem::path Locate(UserFolder folder, std::error_code& error) const = 0;
};

}  // namespace pagemind::platform
