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

// What a hand edit, a broken disk or another program can leave in Pagemind.ini. The expected
// values are what GetPrivateProfileIntA gives (checked under Wine); the headless reader stands
// in for it and must give the same. Each content goes to a file of its own name, so no reader
// can answer from what it cached of an earlier content.
using std::string_view_literals::operator""sv;

constexpr std::size_t kLongLine = std::size_t{100} * 1024;

class DamagedProfileTest : public ProfileTest {
 protected:
  int ReadFrom(std::string_view contents, std::string_view section, std::string_view key,
               int fallback = 7) {
    const auto path = temp.path() / ("damaged" + std::to_string(++files_) + ".ini");
    WriteBytes(path, contents);
    return profile->ReadInt(path, section, key, fallback);
  }
  int files_ = 0;
};

TEST_F(DamagedProfileTest, GarbageAndBinaryBytesGiveTheDefaultsAndHideNothingAfterThem) {
  EXPECT_EQ(ReadFrom("this is not a settings file\r\n=\r\n]][[\r\n==1\r\n", "Settings", "Logo"), 7);
  const std::string binary("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x10\xff\xfe=\x01\x02"sv);
  EXPECT_EQ(ReadFrom(binary, "Settings", "Logo"), 7);
  EXPECT_EQ(ReadFrom(binary + "\r\n[Settings]\r\nLogo=0\r\n", "Settings", "Logo"), 0)
      << "a section after binary lines is still found";
  const auto nul = "[Settings]\r\nLog\0o=0\r\nLogo=5\0 6\r\n"sv;
  EXPECT_EQ(ReadFrom(nul, "Settings", "Logo"), 5) << "a NUL ends a name or a value";
  EXPECT_EQ(ReadFrom(nul, "Settings", "Log"), 0);
  EXPECT_EQ(ReadFrom("[Settings\r\nLogo=3\r\n", "Settings", "Logo"), 7)
      << "a header without its closing bracket opens no section";
  EXPECT_EQ(ReadFrom("[Settings] trailing words\r\nLogo=3\r\n", "Settings", "Logo"), 3);
}

TEST_F(DamagedProfileTest, ARepeatedSectionOrKeyCountsOnlyItsFirstAppearance) {
  const std::string twice =
      "[Settings]\r\nLogo=0\r\nLogo=1\r\n[Debug]\r\nDebugMode=1\r\n[Settings]\r\nLog=0\r\n"
      "Logo=2\r\n";
  EXPECT_EQ(ReadFrom(twice, "Settings", "Logo"), 0);
  EXPECT_EQ(ReadFrom(twice, "Settings", "Log"), 7)
      << "a key only in the second copy of a section is not seen";
  EXPECT_EQ(ReadFrom(twice, "Debug", "DebugMode"), 1);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo\r\nLogo=0\r\n", "Settings", "Logo"), 7)
      << "a key without '=' is the key, with no value";
}

TEST_F(DamagedProfileTest, AWriteIntoADamagedFileIsWhatTheNextReadSees) {
  const auto path = temp.path() / "written.ini";
  WriteBytes(path, "[Settings]\r\nLogo=0\r\n[Debug]\r\n[Settings]\r\nLog=1\r\n");
  ASSERT_TRUE(profile->WriteString(path, "Settings", "Log", "0"));
  EXPECT_EQ(profile->ReadInt(path, "Settings", "Log", 7), 0);
  EXPECT_EQ(profile->ReadInt(path, "Settings", "Logo", 7), 0);

  const auto other = temp.path() / "written2.ini";
  WriteBytes(other, "\x01\xff garbage\r\n[Settings]\r\nLog\r\n" + std::string(kLongLine, 'x'));
  ASSERT_TRUE(profile->WriteString(other, "Settings", "Log", "0"));
  EXPECT_EQ(profile->ReadInt(other, "Settings", "Log", 7), 0)
      << "the key without a value is the one that gets it";
  EXPECT_NE(ReadBytes(other).find(std::string(kLongLine, 'x')), std::string::npos);
}

TEST_F(DamagedProfileTest, BlanksAroundNamesAndValuesAreIgnoredButNotInsideAValue) {
  EXPECT_EQ(ReadFrom("  [Settings]  \r\n\t Logo \t=\t 0 \t\r\n", "Settings", "Logo"), 0);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLog= 1 0\r\n", "Settings", "Log"), 1);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLog=1 \r\n", "Settings", "Log", 0), 1);
  EXPECT_EQ(ReadFrom("[Settings]\nLog=0\n", "Settings", "Log"), 0) << "LF alone ends a line";
  EXPECT_EQ(ReadFrom("[ Settings ]\r\nLogo=0\r\n", "Settings", "Logo"), 0);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=\x01\x02 9\r\n", "Settings", "Logo"), 9)
      << "control characters before the number are skipped like blanks";
}

TEST_F(DamagedProfileTest, SignsPrefixesAndOverflowAreReadLikeTheSystemsNumberParser) {
  const auto value = [this](std::string_view text) {
    return ReadFrom("[Settings]\r\nLogo=" + std::string(text) + "\r\n", "Settings", "Logo");
  };
  EXPECT_EQ(value("-1"), -1);
  EXPECT_EQ(value("+1"), 1);
  EXPECT_EQ(value("--1"), 0);
  EXPECT_EQ(value("- 1"), 0);
  EXPECT_EQ(value("0x10"), 16);
  EXPECT_EQ(value("0x1G"), 1);
  EXPECT_EQ(value("-0x10"), -16);
  EXPECT_EQ(value("0X10"), 0) << "only a lower-case prefix counts";
  EXPECT_EQ(value("0b101"), 5);
  EXPECT_EQ(value("0o17"), 15);
  EXPECT_EQ(value("017"), 17) << "a leading zero alone does not mean octal";
  EXPECT_EQ(value("1e3"), 1);
  EXPECT_EQ(value("２"), 0) << "full-width digits are not digits";
  EXPECT_EQ(value("4294967297"), 1) << "the value wraps around at 32 bits";
  EXPECT_EQ(value("2147483648"), -2147483647 - 1);
  EXPECT_EQ(value("\"0\""), 0) << "matching quotes around a value are removed";
  EXPECT_EQ(value("'1'"), 1);
  EXPECT_EQ(value("\"1"), 0);
}

TEST_F(DamagedProfileTest, EmptyValuesGiveTheDefault) {
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=\r\n", "Settings", "Logo", 1), 1);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=   \t\r\n", "Settings", "Logo", 1), 1);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=\"\"\r\n", "Settings", "Logo", 1), 1);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=\x1a", "Settings", "Logo", 1), 1)
      << "the end-of-file mark of old editors counts as a blank";
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=x\r\n", "Settings", "Logo", 1), 0)
      << "a value that is there but no number is 0, not the default";
}

TEST_F(DamagedProfileTest, AVeryLongLineIsReadWithoutHarmToTheLinesAround) {
  const std::string longLine(kLongLine, 'x');
  EXPECT_EQ(ReadFrom(longLine + "\r\n[Settings]\r\nLogo=0\r\n", "Settings", "Logo"), 0);
  EXPECT_EQ(ReadFrom("[Settings]\r\n" + longLine + "\r\nLogo=0\r\n", "Settings", "Logo"), 0);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLogo=0\r\n" + longLine, "Settings", "Logo"), 0);
  // Only the first 29 characters of a value are read: 29 ones, wrapped at 32 bits.
  EXPECT_EQ(
      ReadFrom("[Settings]\r\nLog=" + std::string(kLongLine, '1') + "\r\n", "Settings", "Log"),
      1729917383);
  EXPECT_EQ(ReadFrom("[Settings]\r\nLog=" + std::string(28, '0') + "123\r\n", "Settings", "Log"),
            1);
}

}  // namespace
}  // namespace pagemind::platform
