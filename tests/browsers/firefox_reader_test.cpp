#include "browsers/firefox_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "browsers/firefox_error.h"
#include "browsers/firefox_mozlz4.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::browsers {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

std::string SessionOf(const std::string& address) {
  return R"({"windows":[{"tabs":[{"entries":[{"url":")" + address +
         R"(","title":"t"}],"index":1}],"selected":1}],"session":{"lastUpdate":1}})";
}

class FirefoxProfileFiles : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(backups()); }
  [[nodiscard]] std::filesystem::path profile() const { return temp_.path(); }
  [[nodiscard]] std::filesystem::path backups() const { return profile() / "sessionstore-backups"; }
  [[nodiscard]] std::filesystem::path clean() const { return profile() / "sessionstore.jsonlz4"; }
  [[nodiscard]] std::filesystem::path recovery() const { return backups() / "recovery.jsonlz4"; }
  [[nodiscard]] std::filesystem::path backup() const { return backups() / "recovery.baklz4"; }
  void Session(const std::filesystem::path& file, const std::string& address) {
    WriteBytes(file, EncodeMozLz4(SessionOf(address)));
  }
  void Checkpoints(bool cleanEnd) {
    WriteBytes(profile() / "sessionCheckpoints.json",
               cleanEnd
                   ? R"({"quit-application":true,"sessionstore-final-state-write-complete":true})"
                   : R"({"profile-after-change":true,"final-ui-startup":true})");
  }
  FirefoxProfileSession Read() { return ReadFirefoxProfileSession(files_, profile()); }
  static std::string Address(const FirefoxProfileSession& read) {
    if (read.session.open.windows.empty()) return "";
    return read.session.open.windows[0].tabs.at(0).address;
  }

  TempFolder temp_;
  platform::headless::PosixFileSystem files_;
};

TEST_F(FirefoxProfileFiles, AfterACleanEndTheFinalFileOutranksTheOlderRecovery) {
  Session(clean(), "http://final/");
  Session(recovery(), "http://older/");
  Checkpoints(true);
  const FirefoxProfileSession read = Read();
  EXPECT_FALSE(read.error);
  EXPECT_EQ(read.file, clean());
  EXPECT_EQ(Address(read), "http://final/");
  EXPECT_EQ(read.end, BrowserEnd::kNormal);
  EXPECT_TRUE(read.faults.empty());
}

TEST_F(FirefoxProfileFiles, WhileRunningOrAfterACrashTheRecoveryFileServes) {
  Session(recovery(), "http://newest/");
  Session(backup(), "http://before/");
  Checkpoints(false);
  const FirefoxProfileSession read = Read();
  EXPECT_EQ(read.file, recovery());
  EXPECT_EQ(Address(read), "http://newest/");
  EXPECT_EQ(read.end, BrowserEnd::kCrashed);
}

TEST_F(FirefoxProfileFiles, TheBackupServesDuringAReplaceAndForADamagedRecovery) {
  Session(backup(), "http://before/");
  FirefoxProfileSession read = Read();  // recovery.jsonlz4 moved aside, its successor not yet in
  EXPECT_EQ(read.file, backup());
  EXPECT_EQ(Address(read), "http://before/");
  EXPECT_TRUE(read.faults.empty()) << "a missing file is no fault";
  EXPECT_EQ(read.end, BrowserEnd::kUnknown) << "no checkpoints file";

  std::string cut = EncodeMozLz4(SessionOf("http://newest/"));
  cut.resize(cut.size() - 5);
  WriteBytes(recovery(), cut);
  read = Read();
  EXPECT_FALSE(read.error);
  EXPECT_EQ(read.file, backup());
  ASSERT_EQ(read.faults.size(), 1U);
  EXPECT_EQ(read.faults[0].file, recovery());
  EXPECT_TRUE(read.faults[0].error.category() == FirefoxErrorCategory());
}

TEST_F(FirefoxProfileFiles, NoReadableFileIsSaidAndGivesNothing) {
  FirefoxProfileSession read = Read();
  EXPECT_EQ(read.error, FirefoxError::kNoSessionFile);
  EXPECT_TRUE(read.file.empty());

  WriteBytes(clean(), "not compressed at all");
  WriteBytes(recovery(), EncodeMozLz4(R"({"windows":[{"tabs":[)"));
  WriteBytes(backup(), EncodeMozLz4("[]"));
  read = Read();
  EXPECT_EQ(read.error, FirefoxError::kNotASession) << "the last file's fault";
  EXPECT_TRUE(read.file.empty());
  EXPECT_TRUE(read.session.open.windows.empty());
  ASSERT_EQ(read.faults.size(), 3U);
  EXPECT_EQ(read.faults[0].error, FirefoxError::kNotMozLz4);
  EXPECT_EQ(read.faults[1].error, FirefoxError::kJsonTruncated);
  EXPECT_EQ(read.faults[2].file, backup());
}

TEST_F(FirefoxProfileFiles, AFolderWhereAFileShouldBeIsAFault) {
  std::filesystem::create_directories(recovery());
  Session(backup(), "http://before/");
  const FirefoxProfileSession read = Read();
  EXPECT_EQ(read.file, backup());
  ASSERT_EQ(read.faults.size(), 1U);
  EXPECT_EQ(read.faults[0].file, recovery());
}

TEST_F(FirefoxProfileFiles, ProfilesIniAndTheEndAreReadThroughThePort) {
  const std::filesystem::path appData = profile() / "AppData";
  const std::filesystem::path ini = FirefoxProfilesIniPath(appData);
  EXPECT_EQ(ini, appData / "Mozilla" / "Firefox" / "profiles.ini");
  FirefoxProfiles profiles = ReadFirefoxProfiles(files_, ini);
  EXPECT_TRUE(profiles.error) << "no Firefox installed";
  EXPECT_TRUE(profiles.profiles.empty());

  std::filesystem::create_directories(ini.parent_path());
  WriteBytes(ini, "[Profile0]\nName=main\nIsRelative=1\nPath=Profiles/m.main\nDefault=1\n");
  profiles = ReadFirefoxProfiles(files_, ini);
  EXPECT_FALSE(profiles.error);
  ASSERT_EQ(profiles.profiles.size(), 1U);
  EXPECT_EQ(profiles.profiles[0].folder, ini.parent_path() / "Profiles" / "m.main");
  EXPECT_TRUE(profiles.profiles[0].isDefault);

  EXPECT_EQ(ReadFirefoxEnd(files_, profile()), BrowserEnd::kUnknown);
  Checkpoints(true);
  EXPECT_EQ(ReadFirefoxEnd(files_, profile()), BrowserEnd::kNormal);
}

}  // namespace
}  // namespace pagemind::browsers
