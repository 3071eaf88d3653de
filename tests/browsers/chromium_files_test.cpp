#include "browsers/chromium_files.h"

#include <gtest/gtest.h>

#include "browsers/browser_errors.h"
#include "browsers/snss_writer.h"
#include "common/paths.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::browsers {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

class ChromiumFiles : public ::testing::Test {
 protected:
  void Write(const std::filesystem::path& relative, std::string_view bytes = "") {
    std::filesystem::create_directories((profile.path() / relative).parent_path());
    WriteBytes(profile.path() / relative, bytes);
  }
  SessionFileChoice Find() { return FindSessionFile(*files, profile.path()); }

  TempFolder profile;
  std::unique_ptr<platform::FileSystem> files = platform::MakeFileSystem();
};

TEST_F(ChromiumFiles, SessionFileTimesAreDecimalOnly) {
  EXPECT_EQ(SessionFileTime("Session_13441198976082094"), 13441198976082094);
  EXPECT_EQ(SessionFileTime("Session_0"), 0);
  for (const char* name :
       {"Session_", "Session_-5", "Session_+5", "Session_12a", "Session_ 1",
        "Tabs_13441198976082094", "session_1", "Session_99999999999999999999", "Current Session"}) {
    EXPECT_EQ(SessionFileTime(name), -1) << name;
  }
}

TEST_F(ChromiumFiles, TheNewestSessionFileIsTheOneOfTheLargestTime) {
  Write("Sessions/Session_13441198976082094");
  Write("Sessions/Session_9441198976082094");  // fewer digits, older: compared as numbers
  Write("Sessions/Session_13441199999999999.tmp");
  Write("Sessions/Tabs_13441299999999999");
  std::filesystem::create_directories(profile.path() / "Sessions" / "Session_13441299999999999");
  Write("Current Session");
  const auto choice = Find();
  EXPECT_FALSE(choice.problem);
  EXPECT_EQ(choice.path, profile.path() / "Sessions" / "Session_13441198976082094");
  EXPECT_EQ(choice.time, 13441198976082094);
}

TEST_F(ChromiumFiles, TheOlderLayoutIsReadWhereNoSessionFolderHasAFile) {
  std::filesystem::create_directories(profile.path() / "Sessions");
  Write("Current Session");
  Write("Last Session");
  const auto choice = Find();
  EXPECT_FALSE(choice.problem);
  EXPECT_EQ(choice.path, profile.path() / "Current Session");
  EXPECT_EQ(choice.time, 0);

  std::filesystem::remove(profile.path() / "Current Session");
  const auto none = Find();
  EXPECT_EQ(none.problem, BrowserFileError::kNoSessionFile);
  EXPECT_TRUE(none.path.empty());
}

TEST_F(ChromiumFiles, AnEncryptedFileBesideThePlainOneOfTheSameMomentIsNoObstacle) {
  // Measured with Chromium 156: the two files of one snapshot lie 0.4 to 88 ms apart.
  Write("Sessions/Session_13441198976082094");
  Write("Sessions_Encrypted/Session_13441198976084937");
  const auto choice = Find();
  EXPECT_FALSE(choice.problem);
  EXPECT_EQ(choice.path.filename(), "Session_13441198976082094");
}

TEST_F(ChromiumFiles, ANewestSessionThatExistsOnlyEncryptedIsSaidSo) {
  Write("Sessions_Encrypted/Session_13441198976084937");
  auto choice = Find();
  EXPECT_EQ(choice.problem, BrowserFileError::kOnlyEncrypted);
  EXPECT_TRUE(choice.path.empty());
  EXPECT_EQ(choice.encryptedPath,
            profile.path() / "Sessions_Encrypted" / "Session_13441198976084937");
  // A plain file from an hour before is left over from an earlier run: not the current session.
  Write("Sessions/Session_13441195376084937");
  Write("Current Session");
  choice = Find();
  EXPECT_EQ(choice.problem, BrowserFileError::kOnlyEncrypted);
  EXPECT_TRUE(choice.path.empty());
}

TEST_F(ChromiumFiles, ASessionsFolderThatCannotBeListedIsReportedNotGuessedAround) {
  Write("Sessions", "a file where the folder should be");
  Write("Sessions_Encrypted/Session_13441198976084937");
  Write("Current Session");
  const auto choice = Find();
  ASSERT_TRUE(choice.problem);
  EXPECT_NE(choice.problem, BrowserFileError::kOnlyEncrypted);
  EXPECT_EQ(choice.problem.category(), std::generic_category()) << choice.problem.message();
  EXPECT_TRUE(choice.path.empty());
}

TEST_F(ChromiumFiles, ReadingASessionFileSaysWhatKeptItFromBeingRead) {
  const std::string session = testing::SnssWriter()
                                  .WindowType(1, 0)
                                  .SimpleTab(1, 2, 0, "http://127.0.0.1/")
                                  .Marker()
                                  .bytes();
  Write("Sessions/Session_1", session);
  const auto reading = ReadChromiumSessionFile(*files, profile.path() / "Sessions" / "Session_1");
  EXPECT_FALSE(reading.problem);
  EXPECT_EQ(reading.session.windows.size(), 1U);

  const auto missing = ReadChromiumSessionFile(*files, profile.path() / "Sessions" / "Session_2");
  EXPECT_EQ(missing.problem, std::errc::no_such_file_or_directory);

  // Beyond the reader's limit: its own error, not the slot files' size limit of the platform.
  Write("big", std::string(kChromiumSessionLimit + 1, 'x'));
  EXPECT_EQ(ReadChromiumSessionFile(*files, profile.path() / "big").problem,
            BrowserFileError::kTooLarge);
}

TEST_F(ChromiumFiles, LocalStateAndPreferencesAreReadFromTheirPlaces) {
  Write("Local State", R"({"profile": {"info_cache": {"Default": {"name": "個人"}}}})");
  Write("Default/Preferences", R"({"profile": {"exit_type": "SessionEnded"}})");
  const auto profiles = ReadLocalState(*files, profile.path());
  EXPECT_FALSE(profiles.problem);
  EXPECT_EQ(profiles.profiles, (std::vector<ChromiumProfile>{{"Default", "個人"}}));
  EXPECT_EQ(ReadPreferences(*files, profile.path() / "Default").end, BrowserEnd::kSessionEnded);
  EXPECT_EQ(ReadPreferences(*files, profile.path() / "Profile 1").problem,
            std::errc::no_such_file_or_directory);
  Write("Profile 2/Preferences", std::string(kChromiumJsonLimit + 1, ' '));
  EXPECT_EQ(ReadPreferences(*files, profile.path() / "Profile 2").problem,
            BrowserFileError::kTooLarge);
}

TEST(ChromiumBrowsers, EachBrowserHasItsUserDataFolderAndAWayToItsExecutable) {
  const std::filesystem::path local = "/L";
  const std::filesystem::path roaming = "/R";
  std::vector<std::string> names;
  for (const auto& browser : ChromiumBrowsers()) {
    names.emplace_back(browser.name);
    EXPECT_FALSE(browser.userExecutable.empty()) << browser.name;
    const auto folder = UserDataFolder(browser, local, roaming);
    const auto& base = browser.base == AppDataFolder::kLocal ? local : roaming;
    EXPECT_TRUE(folder.string().starts_with(base.string())) << browser.name;
    EXPECT_GE(std::distance(folder.begin(), folder.end()), 3) << browser.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Microsoft Edge", "Google Chrome", "Chromium", "Brave",
                                             "Vivaldi", "Opera"}));
  const auto& edge = ChromiumBrowsers()[0];
  EXPECT_EQ(UserDataFolder(edge, local, roaming), local / "Microsoft" / "Edge" / "User Data");
  EXPECT_EQ(edge.appPathsKey, "msedge.exe");
  const auto& opera = ChromiumBrowsers()[5];
  EXPECT_EQ(UserDataFolder(opera, local, roaming), roaming / "Opera Software" / "Opera Stable");
  EXPECT_TRUE(opera.profileInUserData);
  EXPECT_EQ(opera.appPathsKey, "opera.exe");
  // Chromium's installer registers chrome.exe, Chrome's key: it is found by its own folder.
  EXPECT_EQ(ChromiumBrowsers()[2].appPathsKey, "");
}

}  // namespace
}  // namespace pagemind::browsers
