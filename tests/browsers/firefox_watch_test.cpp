// The watch over the Firefox profiles, on a roaming folder laid out as Windows has it, with the
// files Debian's firefox-esr wrote (tests/browsers/fixtures/firefox). parent.lock held open
// stands for the running Firefox, as on Windows.
#include "browsers/firefox_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "browsers/firefox_error.h"
#include "browsers/firefox_reader.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::browsers {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kFixtures = fs::path(PAGEMIND_BROWSER_FIXTURES) / "firefox";
const std::string kSite = "http://127.0.0.1:8765/";

std::string ProfileSection(int n, const std::string& name, const std::string& folder) {
  return "[Profile" + std::to_string(n) + "]\r\nName=" + name +
         "\r\nIsRelative=1\r\nPath=Profiles/" + folder + "\r\n\r\n";
}

// Every address of a session, window after window.
std::vector<std::string> Addresses(const BrowserSession& session) {
  std::vector<std::string> addresses;
  for (const auto& window : session.windows) {
    for (const auto& tab : window.tabs) addresses.push_back(tab.address);
  }
  return addresses;
}

class FirefoxWatchTest : public ::testing::Test {
 protected:
  FirefoxWatchTest() { WriteIni(ProfileSection(0, "default", "a1.default")); }

  void WriteIni(const std::string& sections) {
    fs::create_directories(firefox);
    testing::WriteBytes(firefox / "profiles.ini", sections + "[General]\r\nVersion=2\r\n");
  }
  [[nodiscard]] fs::path Profile(const std::string& folder = "a1.default") const {
    return firefox / "Profiles" / folder;
  }
  [[nodiscard]] fs::path Recovery(const std::string& folder = "a1.default") const {
    return Profile(folder) / "sessionstore-backups" / "recovery.jsonlz4";
  }
  // The profile's folder as the fixture's run left it.
  void Lay(const char* run, const std::string& folder = "a1.default") {
    fs::remove_all(Profile(folder));
    fs::create_directories(Profile(folder));
    fs::copy(kFixtures / run, Profile(folder), fs::copy_options::recursive);
    testing::WriteBytes(Profile(folder) / "parent.lock", "");
  }
  void Run(const std::string& folder = "a1.default") {
    files.held.insert(Profile(folder) / "parent.lock");
  }
  void End(const std::string& folder = "a1.default") {
    files.held.erase(Profile(folder) / "parent.lock");
  }
  // Firefox writes its session again: `run`'s recovery file takes the place of the one there,
  // a second later than it.
  void Writes(const char* run, const std::string& folder = "a1.default") {
    const auto before = fs::last_write_time(Recovery(folder));
    fs::copy_file(kFixtures / run / "sessionstore-backups" / "recovery.jsonlz4", Recovery(folder),
                  fs::copy_options::overwrite_existing);
    fs::last_write_time(Recovery(folder), before + 1s);
  }
  static std::int64_t LastUpdate(const char* run) {
    platform::headless::PosixFileSystem disk;
    const auto read = ReadFirefoxProfileSession(disk, kFixtures / run);
    EXPECT_FALSE(read.error) << run;
    return read.session.lastUpdate;
  }
  static std::vector<std::string> AddressesOf(const char* run) {
    platform::headless::PosixFileSystem disk;
    return Addresses(ReadFirefoxProfileSession(disk, kFixtures / run).session.open);
  }

  WatchFindings Check() {
    return watch.Check([this](std::string_view browser, std::string_view profile) {
      const auto kept = lastKept.find(std::string(browser) + "/" + std::string(profile));
      return kept == lastKept.end() ? std::int64_t{0} : kept->second;
    });
  }
  // Checks until the watch has read profiles.ini again (once a minute of checks).
  WatchFindings CheckForAMinute() {
    WatchFindings last;
    for (int i = 0; i < 60; ++i) {
      last = Check();
      if (last.live) return last;
    }
    return last;
  }
  [[nodiscard]] int Reads(const fs::path& path) const {
    const auto entry = "read " + path.string();
    return static_cast<int>(std::count(journal.entries().begin(), journal.entries().end(), entry));
  }

  testing::TempFolder temp;
  const fs::path roaming = temp.path() / "Roaming";
  const fs::path firefox = roaming / "Mozilla" / "Firefox";
  platform::headless::Journal journal;
  platform::headless::PosixFileSystem disk{&journal};
  testing::HeldFiles files{disk};
  FirefoxWatch watch{files, roaming};
  std::map<std::string, std::int64_t> lastKept;
};

TEST_F(FirefoxWatchTest, ARunningFirefoxIsFollowedAndItsFileReadOnlyWhenItChanges) {
  Lay("crash");
  Run();
  auto findings = Check();
  EXPECT_TRUE(findings.ended.empty());
  EXPECT_TRUE(findings.problems.empty());
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 1U);
  const auto& live = findings.live->front();
  EXPECT_EQ(live.browser, "Mozilla Firefox");
  EXPECT_EQ(live.profile, "a1.default");
  EXPECT_EQ(live.profileName, "default");
  EXPECT_EQ(live.session, LastUpdate("crash"));
  EXPECT_EQ(live.end, BrowserEnd::kUnknown) << "its end is not known while it runs";
  EXPECT_EQ(Addresses(live.pages), AddressesOf("crash"));
  EXPECT_EQ(live.pages.windows.size(), 3U);

  for (int i = 0; i < 3; ++i) {
    findings = Check();
    EXPECT_FALSE(findings.live) << "nothing changed";
    EXPECT_TRUE(findings.ended.empty());
  }
  EXPECT_EQ(Reads(Recovery()), 1) << "an unchanged file is not read again";

  // A new file of another size, and the same bytes again a second later: each is read.
  Writes("restore_page");
  findings = Check();
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 1U);
  EXPECT_EQ(Addresses(findings.live->front().pages), AddressesOf("restore_page"));
  Writes("restore_page");
  findings = Check();
  ASSERT_TRUE(findings.live) << "the same size at a later time is a new write";
  EXPECT_EQ(Reads(Recovery()), 3);
  EXPECT_TRUE(lastKept.empty());
}

TEST_F(FirefoxWatchTest, ItsEndIsToldOnceWithHowItEndedAndItsPagesLeaveTheLiveOnes) {
  Lay("crash");
  Run();
  ASSERT_TRUE(Check().live);
  End();  // killed: the lock goes, the files stay as the run left them
  auto findings = Check();
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kCrashed);
  EXPECT_EQ(findings.ended[0].session, LastUpdate("crash"));
  EXPECT_EQ(Addresses(findings.ended[0].pages), AddressesOf("crash"));
  ASSERT_TRUE(findings.live);
  EXPECT_TRUE(findings.live->empty());

  // Not found again, and the lock of an ended Firefox is not opened: no open of the watch may
  // stand in the way of its next start.
  journal.Clear();
  for (int i = 0; i < 3; ++i) {
    findings = Check();
    EXPECT_TRUE(findings.ended.empty());
    EXPECT_FALSE(findings.live);
  }
  EXPECT_TRUE(journal.entries().empty());

  // It runs again, writes, and ends cleanly: the final file is the session.
  Run();
  Writes("restore_page");
  findings = Check();
  ASSERT_TRUE(findings.live);
  EXPECT_EQ(Addresses(findings.live->at(0).pages), AddressesOf("restore_page"));
  fs::copy(kFixtures / "clean", Profile(),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  End();
  findings = Check();
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kNormal);
  EXPECT_EQ(findings.ended[0].session, LastUpdate("clean"));
  EXPECT_EQ(Addresses(findings.ended[0].pages), AddressesOf("clean"));
  ASSERT_TRUE(findings.live);
  EXPECT_TRUE(findings.live->empty());
}

TEST_F(FirefoxWatchTest, AnEndBeforeTheFirstCheckIsToldOnceAndANewWriteMeansItRunsAgain) {
  Lay("crash");
  auto findings = Check();
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kCrashed);
  ASSERT_TRUE(findings.live) << "the first check tells what runs, even when nothing does";
  EXPECT_TRUE(findings.live->empty());
  EXPECT_TRUE(Check().ended.empty());

  // A new start of the program, which kept that session: not told again.
  lastKept["Mozilla Firefox/a1.default"] = LastUpdate("crash");
  FirefoxWatch again{files, roaming};
  findings = again.Check([this](auto, auto) { return lastKept.begin()->second; });
  EXPECT_TRUE(findings.ended.empty());
  EXPECT_TRUE(findings.problems.empty());

  // Firefox starts: it writes its session, and the lock is held from then on.
  ASSERT_GT(LastUpdate("restore_page"), LastUpdate("crash")) << "the fixtures' order";
  Run();
  Writes("restore_page");
  findings = Check();
  EXPECT_TRUE(findings.ended.empty());
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 1U);
  EXPECT_EQ(Addresses(findings.live->front().pages), AddressesOf("restore_page"));
  EXPECT_FALSE(Check().live);
  End();
  findings = Check();
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(Addresses(findings.ended[0].pages), AddressesOf("restore_page"));
}

TEST_F(FirefoxWatchTest, ADamagedRecoveryFileFallsBackToTheOneBeforeOrIsToldOnce) {
  Lay("crash");
  testing::WriteBytes(Recovery(), "torn");
  Run();
  auto findings = Check();
  ASSERT_EQ(findings.problems.size(), 1U);
  EXPECT_EQ(findings.problems[0].path, Recovery());
  EXPECT_EQ(findings.problems[0].browser, "Mozilla Firefox");
  EXPECT_EQ(findings.problems[0].profileName, "default");
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 1U) << "recovery.baklz4 serves";
  EXPECT_FALSE(findings.live->front().pages.windows.empty());

  // Both damaged: the pages last read stay, and each fault is told once however often it
  // is met.
  const auto backup = Profile() / "sessionstore-backups" / "recovery.baklz4";
  testing::WriteBytes(backup, "not a session");
  int told = 0;
  for (int i = 0; i < 3; ++i) {
    testing::WriteBytes(Recovery(), "still torn " + std::to_string(i));
    fs::last_write_time(Recovery(), fs::last_write_time(backup) + std::chrono::seconds(i + 1));
    findings = Check();
    EXPECT_FALSE(findings.live) << i;
    told += static_cast<int>(findings.problems.size());
  }
  EXPECT_EQ(told, 1) << "recovery.baklz4 once, recovery.jsonlz4 told already";

  End();
  findings = Check();
  EXPECT_TRUE(findings.ended.empty()) << "no session could be read";
  EXPECT_TRUE(findings.problems.empty());
  ASSERT_TRUE(findings.live);
  EXPECT_TRUE(findings.live->empty());
}

TEST_F(FirefoxWatchTest, WithoutProfilesIniNothingIsReadOrTold) {
  fs::remove(firefox / "profiles.ini");
  auto findings = Check();
  EXPECT_TRUE(findings.ended.empty());
  EXPECT_TRUE(findings.problems.empty());
  ASSERT_TRUE(findings.live);
  EXPECT_TRUE(findings.live->empty());
  for (int i = 0; i < 70; ++i) {
    findings = Check();
    EXPECT_TRUE(findings.problems.empty());
    EXPECT_FALSE(findings.live);
  }
  EXPECT_EQ(std::count_if(journal.entries().begin(), journal.entries().end(),
                          [](const std::string& entry) { return entry.starts_with("read "); }),
            0);
}

TEST_F(FirefoxWatchTest, AProfileGoneFromProfilesIniTakesItsLivePagesAlong) {
  WriteIni(ProfileSection(0, "default", "a1.default") + ProfileSection(1, "仕事", "w9.work"));
  Lay("crash");
  Lay("restore_page", "w9.work");
  Run();
  Run("w9.work");
  auto findings = Check();
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 2U);
  EXPECT_EQ(findings.live->at(1).profileName, "仕事");

  WriteIni(ProfileSection(0, "default", "a1.default"));
  findings = CheckForAMinute();
  ASSERT_TRUE(findings.live) << "profiles.ini is read again within a minute";
  ASSERT_EQ(findings.live->size(), 1U);
  EXPECT_EQ(findings.live->front().profile, "a1.default");

  // One profile goes as another comes: the one gone takes its pages along all the same.
  Lay("not_restored", "n3.new");
  WriteIni(ProfileSection(0, "new", "n3.new"));
  findings = CheckForAMinute();
  ASSERT_TRUE(findings.live);
  EXPECT_TRUE(findings.live->empty());
  ASSERT_EQ(findings.ended.size(), 2U) << "the new profile's last run and the one before it";
  EXPECT_EQ(findings.ended[0].profile, "n3.new");
  EXPECT_EQ(findings.ended[1].profile, "n3.new");
}

// Firefox started without restoring its last run, which it keeps aside: the pages the user had
// are told as that run's end, once, oldest first, and not when they were kept already.
TEST_F(FirefoxWatchTest, TheRunNotRestoredIsToldAsEndedOnce) {
  platform::headless::PosixFileSystem plain;
  const auto notRestored = ReadFirefoxProfileSession(plain, kFixtures / "not_restored").session;
  ASSERT_GT(notRestored.previousLastUpdate, 0);
  ASSERT_LT(notRestored.previousLastUpdate, notRestored.lastUpdate);

  Lay("not_restored");
  Run();
  auto findings = Check();
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(findings.ended[0].session, notRestored.previousLastUpdate);
  EXPECT_EQ(findings.ended[0].end, BrowserEnd::kNormal);
  EXPECT_EQ(Addresses(findings.ended[0].pages), Addresses(notRestored.previous));
  ASSERT_TRUE(findings.live);
  ASSERT_EQ(findings.live->size(), 1U);
  EXPECT_EQ(Addresses(findings.live->front().pages), AddressesOf("not_restored"));

  // Firefox writes again with the same run before: not told again, kept or not.
  Writes("not_restored");
  findings = Check();
  EXPECT_TRUE(findings.live);
  EXPECT_TRUE(findings.ended.empty());

  // It ends: its own session follows the run before, which a new start of the program that
  // kept it does not tell again.
  End();
  lastKept["Mozilla Firefox/a1.default"] = notRestored.previousLastUpdate;
  FirefoxWatch again{files, roaming};
  findings = again.Check([this](auto, auto) { return lastKept.begin()->second; });
  ASSERT_EQ(findings.ended.size(), 1U);
  EXPECT_EQ(findings.ended[0].session, notRestored.lastUpdate);
  FirefoxWatch fresh{files, roaming};
  findings = fresh.Check([](auto, auto) { return std::int64_t{0}; });
  ASSERT_EQ(findings.ended.size(), 2U);
  EXPECT_EQ(findings.ended[0].session, notRestored.previousLastUpdate) << "oldest first";
  EXPECT_EQ(findings.ended[1].session, notRestored.lastUpdate);
}

}  // namespace
}  // namespace pagemind::browsers
