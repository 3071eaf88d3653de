// The watch over the Chromium-family browsers, on a user's folders laid out as Windows has them,
// with the files Debian's Chromium 156 wrote (tests/browsers/fixtures/chromium).
#include "browsers/chromium_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "browsers/browser_errors.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::browsers {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(PAGEMIND_BROWSER_FIXTURES) / "chromium";
constexpr std::int64_t kCrashSession = 13441200226896892;

class ChromiumWatchTest : public ::testing::Test {
 protected:
  // A browser's User Data folder holding one of the fixtures' runs.
  fs::path Install(const char* run, const fs::path& userData) {
    fs::create_directories(userData);
    fs::copy(kFixtures / run, userData, fs::copy_options::recursive);
    return userData;
  }
  void Run(const fs::path& userData) { testing::WriteBytes(userData / "lockfile", ""); }
  void End(const fs::path& userData) { fs::remove(userData / "lockfile"); }
  // The browser runs through a check and ends again: the check after its end.
  WatchFindings AfterAnotherRun(const fs::path& userData) {
    Run(userData);
    EXPECT_TRUE(Check().ended.empty());
    End(userData);
    return Check();
  }

  WatchFindings Check() {
    return watch.Check([this](std::string_view browser, std::string_view profile) {
      asked.emplace_back(std::string(browser) + "/" + std::string(profile));
      const auto kept = lastKept.find(std::string(browser) + "/" + std::string(profile));
      return kept == lastKept.end() ? std::int64_t{0} : kept->second;
    });
  }
  // The findings tell one problem of Chrome's profile and find nothing, and after another run
  // of the browser the watch finds and tells nothing. Returns the file told.
  fs::path ToldOnceAndNothingFound(const WatchFindings& findings, BrowserFileError error) {
    EXPECT_TRUE(findings.ended.empty());
    EXPECT_EQ(findings.problems.size(), 1u);
    if (findings.problems.size() != 1) return {};
    EXPECT_EQ(findings.problems[0].error, error);
    EXPECT_EQ(findings.problems[0].browser, "Google Chrome");
    EXPECT_EQ(findings.problems[0].profileName, "Your Chromium");
    const auto after = AfterAnotherRun(chrome);
    EXPECT_TRUE(after.ended.empty());
    EXPECT_TRUE(after.problems.empty()) << "told once";
    return findings.problems[0].path;
  }
  [[nodiscard]] int Reads() const {
    return static_cast<int>(
        std::count_if(journal.entries().begin(), journal.entries().end(),
                      [](const auto& entry) { return entry.starts_with("read "); }));
  }

  testing::TempFolder temp;
  const fs::path local = temp.path() / "Local";
  const fs::path roaming = temp.path() / "Roaming";
  const fs::path chrome = local / "Google" / "Chrome" / "User Data";
  const fs::path edge = local / "Microsoft" / "Edge" / "User Data";
  platform::headless::Journal journal;
  platform::headless::PosixFileSystem files{&journal};
  ChromiumWatch watch{files, local, roaming};
  std::map<std::string, std::int64_t> lastKept;
  std::vector<std::string> asked;
};

TEST_F(ChromiumWatchTest, ARunningBrowserIsOnlyLookedAtAndItsSessionReadOnceItEnds) {
  Install("crash", chrome);
  Run(chrome);
  for (int i = 0; i < 3; ++i) {
    const auto findings = Check();
    EXPECT_TRUE(findings.ended.empty());
    EXPECT_TRUE(findings.problems.empty());
  }
  EXPECT_EQ(Reads(), 0) << "no file of a running browser is opened";
  EXPECT_TRUE(asked.empty());

  End(chrome);
  auto findings = Check();
  EXPECT_TRUE(findings.problems.empty());
  ASSERT_EQ(findings.ended.size(), 1u);
  const auto& ended = findings.ended[0];
  EXPECT_EQ(ended.browser, "Google Chrome");
  EXPECT_EQ(ended.profile, "Default");
  EXPECT_EQ(ended.profileName, "Your Chromium");
  EXPECT_EQ(ended.session, kCrashSession);
  EXPECT_EQ(ended.end, BrowserEnd::kCrashed);
  ASSERT_EQ(ended.pages.windows.size(), 2u);
  EXPECT_EQ(ended.pages.windows[1].tabs.size(), 12u);
  EXPECT_EQ(asked, std::vector<std::string>{"Google Chrome/Default"});

  journal.Clear();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Check().ended.empty()) << "found once";
  EXPECT_EQ(Reads(), 0);
}

TEST_F(ChromiumWatchTest, AtTheFirstCheckAnEndedBrowserTellsHowItEnded) {
  const std::map<std::string, BrowserEnd> runs = {{"crash", BrowserEnd::kCrashed},
                                                  {"clean", BrowserEnd::kNormal},
                                                  {"session_end", BrowserEnd::kSessionEnded}};
  for (const auto& [run, end] : runs) {
    SCOPED_TRACE(run);
    testing::TempFolder folder;
    Install(run.c_str(), folder.path() / "Local" / "Google" / "Chrome" / "User Data");
    ChromiumWatch first{files, folder.path() / "Local", folder.path() / "Roaming"};
    const auto findings = first.Check([](auto, auto) { return std::int64_t{0}; });
    EXPECT_TRUE(findings.problems.empty());
    ASSERT_EQ(findings.ended.size(), 1u);
    EXPECT_EQ(findings.ended[0].end, end);
    EXPECT_FALSE(findings.ended[0].pages.windows.empty());
  }
}

TEST_F(ChromiumWatchTest, ASessionNoNewerThanTheLastKeptIsNotReadAgain) {
  Install("crash", chrome);
  lastKept["Google Chrome/Default"] = kCrashSession;
  EXPECT_TRUE(Check().ended.empty());
  EXPECT_EQ(Reads(), 1) << "Local State only, not the session file";

  // The browser starts and is killed before it writes a session of its own: the same file.
  EXPECT_TRUE(AfterAnotherRun(chrome).ended.empty());

  // A new run's session.
  Run(chrome);
  (void)Check();
  fs::copy_file(chrome / "Default" / "Sessions" / ("Session_" + std::to_string(kCrashSession)),
                chrome / "Default" / "Sessions" / ("Session_" + std::to_string(kCrashSession + 1)));
  End(chrome);
  const auto findings = Check();
  ASSERT_EQ(findings.ended.size(), 1u);
  EXPECT_EQ(findings.ended[0].session, kCrashSession + 1);
}

TEST_F(ChromiumWatchTest, EachBrowserAndProfileIsFollowedOnItsOwn) {
  Install("crash", chrome);
  Install("session_end", edge);
  fs::copy(kFixtures / "clean" / "Default", edge / "Profile 2", fs::copy_options::recursive);
  testing::WriteBytes(edge / "Local State",
                      R"({"profile":{"info_cache":{"Default":{"name":"個人"},)"
                      R"("Profile 2":{"name":"仕事"}}}})");
  Run(chrome);
  auto findings = Check();
  EXPECT_TRUE(findings.problems.empty());
  ASSERT_EQ(findings.ended.size(), 2u);
  EXPECT_EQ(findings.ended[0].browser, "Microsoft Edge");
  EXPECT_EQ(findings.ended[0].profileName, "個人");
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kSessionEnded);
  EXPECT_EQ(findings.ended[1].profile, "Profile 2");
  EXPECT_EQ(findings.ended[1].profileName, "仕事");
  EXPECT_EQ(findings.ended[1].end, BrowserEnd::kNormal);

  End(chrome);
  findings = Check();
  ASSERT_EQ(findings.ended.size(), 1u);
  EXPECT_EQ(findings.ended[0].browser, "Google Chrome");
}

TEST_F(ChromiumWatchTest, ADamagedSessionIsToldOnceAndWhatWasReadIsKept) {
  Install("crash", chrome);
  const auto session =
      chrome / "Default" / "Sessions" / ("Session_" + std::to_string(kCrashSession));
  const auto bytes = testing::ReadBytes(session);
  testing::WriteBytes(session, bytes.substr(0, bytes.size() - 1));
  auto findings = Check();
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    // Nothing was kept of it (lastKept stays 0): each end of the browser finds it again.
    ASSERT_EQ(findings.ended.size(), 1u);
    EXPECT_EQ(findings.ended[0].pages.windows.size(), 2u);
    EXPECT_EQ(findings.ended[0].end, BrowserEnd::kCrashed);
    if (run == 0) {
      ASSERT_EQ(findings.problems.size(), 1u);
      EXPECT_EQ(findings.problems[0].path, session);
      EXPECT_EQ(findings.problems[0].error, BrowserFileError::kTornTail);
      EXPECT_EQ(findings.problems[0].browser, "Google Chrome");
      EXPECT_EQ(findings.problems[0].profileName, "Your Chromium");
    } else {
      EXPECT_TRUE(findings.problems.empty()) << "told once";
    }
    findings = AfterAnotherRun(chrome);
  }

  testing::WriteBytes(session, "not a session file at all");
  EXPECT_EQ(ToldOnceAndNothingFound(AfterAnotherRun(chrome), BrowserFileError::kNotASessionFile),
            session);
}

TEST_F(ChromiumWatchTest, AProfileWhoseSessionIsOnlyEncryptedIsToldOnce) {
  Install("crash", chrome);
  fs::remove_all(chrome / "Default" / "Sessions");
  EXPECT_EQ(ToldOnceAndNothingFound(Check(), BrowserFileError::kOnlyEncrypted).parent_path(),
            chrome / "Default" / "Sessions_Encrypted");
}

TEST_F(ChromiumWatchTest, LocalStateAndPreferencesThatCannotBeReadAreTold) {
  Install("crash", chrome);
  fs::remove(chrome / "Default" / "Preferences");
  auto findings = Check();
  ASSERT_EQ(findings.ended.size(), 1u);
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kUnknown) << "the pages all the same";
  ASSERT_EQ(findings.problems.size(), 1u);
  EXPECT_EQ(findings.problems[0].path, chrome / "Default" / "Preferences");

  fs::create_directories(edge);
  testing::WriteBytes(edge / "Local State", "{\"profile\":");
  findings = ChromiumWatch(files, local, roaming).Check([](auto, auto) { return std::int64_t{1}; });
  std::vector<fs::path> told;
  for (const auto& problem : findings.problems) told.push_back(problem.path);
  EXPECT_NE(std::find(told.begin(), told.end(), edge / "Local State"), told.end());
}

// Opera has one profile and no Local State that names it: older builds keep it in the User Data
// folder itself, newer ones in its Default folder.
TEST_F(ChromiumWatchTest, OperasOneProfileIsFoundInEitherLayout) {
  const auto opera = roaming / "Opera Software" / "Opera Stable";
  for (const fs::path& profile : {opera, opera / "Default"}) {
    SCOPED_TRACE(profile);
    fs::remove_all(opera);
    fs::create_directories(profile);
    fs::copy(kFixtures / "session_end" / "Default", profile, fs::copy_options::recursive);
    Run(opera);
    EXPECT_TRUE(Check().ended.empty());
    End(opera);
    const auto findings = Check();
    EXPECT_TRUE(findings.problems.empty());
    ASSERT_EQ(findings.ended.size(), 1u);
    EXPECT_EQ(findings.ended[0].browser, "Opera");
    EXPECT_EQ(findings.ended[0].profile, ".") << "its one profile, which a start names not";
    EXPECT_EQ(findings.ended[0].end, BrowserEnd::kSessionEnded);
    EXPECT_EQ(findings.ended[0].pages.windows.size(), 2u);
  }
}

TEST_F(ChromiumWatchTest, ABrowserThatIsNotInstalledSaysNothing) {
  // A profile's files without the Local State that names it: not a browser that was used here.
  fs::create_directories(chrome / "Default");
  fs::copy(kFixtures / "crash" / "Default", chrome / "Default", fs::copy_options::recursive);
  fs::create_directories(edge);
  for (int i = 0; i < 2; ++i) {
    const auto findings = Check();
    EXPECT_TRUE(findings.ended.empty());
    EXPECT_TRUE(findings.problems.empty());
  }
  EXPECT_EQ(Reads(), 0);
  EXPECT_TRUE(asked.empty());
}

}  // namespace
}  // namespace pagemind::browsers
