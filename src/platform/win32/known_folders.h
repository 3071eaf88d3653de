#pragma once

#include "platform/user_folders.h"

namespace pagemind::platform::win32 {

// The user's folders as the shell's known-folder API names them, so that a folder the user
// moved (by redirection or the folder's Location tab) is found where it now is.
class KnownFolders final : public UserFolders {
 public:
  std::filesystem::path Locate(UserFolder folder, std::error_code& error) const override;
};

}  // namespace pagemind::platform::win32
