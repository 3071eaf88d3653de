// The user's folders, against the build's own platform: under Wine they are the prefix's
// folders, as the system's environment names them too.
#include "platform/user_folders.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/known_folders.h"
#else
#include "platform/headless/headless_platform.h"
#include "test_support.h"
#endif

namespace pagemind::platform {
namespace {

#ifdef _WIN32
std::filesystem::path FromEnvironment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::filesystem::path(value) : std::filesystem::path();
}

TEST(UserFolders, AreTheFoldersTheEnvironmentNamesAndExist) {
  const win32::KnownFolders folders;
  std::error_code error;
  const auto local = folders.Locate(UserFolder::kLocalAppData, error);
  EXPECT_FALSE(error);
  const auto roaming = folders.Locate(UserFolder::kRoamingAppData, error);
  EXPECT_FALSE(error);
  EXPECT_TRUE(local.is_absolute()) << local;
  EXPECT_TRUE(std::filesystem::is_directory(local)) << local;
  EXPECT_TRUE(std::filesystem::is_directory(roaming)) << roaming;
  EXPECT_NE(local, roaming);
  EXPECT_TRUE(std::filesystem::equivalent(local, FromEnvironment(L"LOCALAPPDATA"))) << local;
  EXPECT_TRUE(std::filesystem::equivalent(roaming, FromEnvironment(L"APPDATA"))) << roaming;
  EXPECT_EQ(local.filename(), "Local");
  EXPECT_EQ(roaming.filename(), "Roaming");
  EXPECT_EQ(local.parent_path(), roaming.parent_path());
}
#else
TEST(UserFolders, TheHeadlessPlatformsAreWhereATestPutsThemOrFailAsScripted) {
  testing::TempFolder temp;
  headless::HeadlessPlatform platform(temp.path());
  UserFolders& folders = platform.ports().userFolders;
  std::error_code error;
  EXPECT_EQ(folders.Locate(UserFolder::kLocalAppData, error), temp.path() / "AppData" / "Local");
  EXPECT_EQ(folders.Locate(UserFolder::kRoamingAppData, error),
            temp.path() / "AppData" / "Roaming");
  EXPECT_FALSE(error);

  platform.userFolders.roamingAppData = temp.path() / "elsewhere";
  EXPECT_EQ(folders.Locate(UserFolder::kRoamingAppData, error), temp.path() / "elsewhere");
  platform.userFolders.error = std::make_error_code(std::errc::permission_denied);
  EXPECT_EQ(folders.Locate(UserFolder::kLocalAppData, error), std::filesystem::path());
  EXPECT_EQ(error, std::errc::permission_denied);
}
#endif

}  // namespace
}  // namespace pagemind::platform
