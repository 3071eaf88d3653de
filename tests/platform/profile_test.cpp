// The settings file's reading and writing rules, against the build's own platform.
#include <gtest/gtest.h>

#include "platform/native.h"
#include "test_support.h"

namespace pagemind::platform {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class ProfileTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return temp.path() / "Pagemind.ini"; }
  int Read(std::string_view section, std::string_view key, int fallback = 7) {
    return profile->ReadInt(file(), section, key, fallback);
  }
  TempFolder temp;
  std::unique_ptr<Profile> profile = MakeProfile();
};

TEST_F(ProfileTest, MissingFileSectionKeyOrValueGivesTheDefault) {
  EXPECT_EQ(Read("Settings", "Logo", 1), 1);
  WriteBytes(file(), "[Settings]\r\nLog=0\r\nLogo=\r\n[Debug]\r\n");
  EXPECT_EQ(Read("Settings", "Logo", 1), 1) << "an empty value counts as missing";
  EXPECT_EQ(Read("Debug", "DebugMode", 0), 0);
  EXPECT_EQ(Read("Other", "Log"), 7);
  EXPECT_EQ(Read("Settings", "Log"), 0);
}

TEST_F(ProfileTest, ValuesAreDecimalPrefixesAndNamesIgnoreCase) {
  WriteBytes(file(),
             "[settings]\r\nLOGO = 1\r\nlog=2\r\nA=12abc\r\nB=abc\r\nC=0010\r\n"
             "[Debug]\r\nDebugMode=1\r\n");
  EXPECT_EQ(Read("Settings", "Logo"), 1);
  EXPECT_EQ(Read("SETTINGS", "Log"), 2);
  EXPECT_EQ(Read("Settings", "A"), 12);
  EXPECT_EQ(Read("Settings", "B"), 0);
  EXPECT_EQ(Read("Settings", "C"), 10);
  EXPECT_EQ(Read("Debug", "debugmode"), 1);
  EXPECT_EQ(Read("Settings", "DebugMode"), 7) << "a key counts only in its own section";
}

TEST_F(ProfileTest, WritingCreatesTheFileInOrderAndReplacesInPlace) {
  ASSERT_TRUE(profile->WriteString(file(), "Settings", "Logo", "1"));
  ASSERT_TRUE(profile->WriteString(file(), "Settings", "Log", "1"));
  const auto created = ReadBytes(file());
  EXPECT_LT(created.find("[Settings]"), created.find("Logo=1"));
  EXPECT_LT(created.find("Logo=1"), created.find("Log=1"));
  EXPECT_EQ(Read("Settings", "Logo"), 1);
  EXPECT_EQ(Read("Settings", "Log"), 1);

  WriteBytes(file(), "; note\r\n[Debug]\r\nDebugMode=1\r\n[Settings]\r\nLogo=1\r\nLog=1\r\n");
  ASSERT_TRUE(profile->WriteString(file(), "Settings", "Logo", "0"));
  EXPECT_EQ(Read("Settings", "Logo"), 0);
  EXPECT_EQ(Read("Settings", "Log"), 1);
  EXPECT_EQ(Read("Debug", "DebugMode"), 1);
  EXPECT_NE(ReadBytes(file()).find("; note"), std::string::npos);
}

TEST_F(ProfileTest, AKeyAddedToAnEarlierSectionStaysInIt) {
  WriteBytes(file(), "[Settings]\r\nLogo=1\r\n[Debug]\r\nDebugMode=0\r\n");
  ASSERT_TRUE(profile->WriteString(file(), "Settings", "Log", "0"));
  EXPECT_EQ(Read("Settings", "Log"), 0);
  EXPECT_EQ(Read("Debug", "Log"), 7);
}

TEST_F(ProfileTest, AFolderThatCannotHoldTheFileFailsTheWrite) {
  EXPECT_FALSE(
      profile->WriteString(temp.path() / "missing" / "Pagemind.ini", "Settings", "Logo", "1"));
}

}  // namespace
}  // namespace pagemind::platform
