#include "browsers/firefox_profiles.h"

#include <gtest/gtest.h>

#include <string>

#include "common/paths.h"

namespace pagemind::browsers {
namespace {

const std::filesystem::path kFolder = std::filesystem::path("roaming") / "Mozilla" / "Firefox";

FirefoxProfile Profile(const std::string& name, const std::filesystem::path& folder,
                       bool isDefault) {
  return {.name = name, .folder = folder, .isDefault = isDefault};
}

TEST(FirefoxProfilesIni, ListsProfilesAndTheOneTheInstallationStartsWith) {
  // As Firefox writes it on Windows (CR LF), with a profile made by the profile manager under a
  // Japanese name and one outside the Firefox folder.
  const std::string ini =
      "[Install308046B0AF4A39CB]\r\nDefault=Profiles/x2.default-release\r\nLocked=1\r\n\r\n"
      "[Profile2]\r\nName=仕事\r\nIsRelative=1\r\nPath=Profiles/w9.仕事\r\n\r\n"
      "[Profile1]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/a1.default\r\nDefault=1\r\n\r\n"
      "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/"
      "x2.default-release\r\n\r\n"
      "[Profile3]\r\nName=elsewhere\r\nIsRelative=0\r\nPath=/data/firefox/elsewhere\r\n\r\n"
      "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n";
  const std::vector<FirefoxProfile> profiles = ParseFirefoxProfilesIni(ini, kFolder);
  const std::vector<FirefoxProfile> expected = {
      Profile("仕事", (kFolder / PathFromUtf8("Profiles/w9.仕事")).make_preferred(), false),
      Profile("default", (kFolder / "Profiles/a1.default").make_preferred(), false),
      Profile("default-release", (kFolder / "Profiles/x2.default-release").make_preferred(), true),
      Profile("elsewhere", std::filesystem::path("/data/firefox/elsewhere"), false),
  };
  EXPECT_EQ(profiles, expected) << "the installation's choice outranks an old Default=1";
}

TEST(FirefoxProfilesIni, OlderFilesMarkTheDefaultInTheProfile) {
  const std::string ini =
      "\xEF\xBB\xBF[General]\nStartWithLastProfile=1\n\n"
      "[Profile0]\nName=first\nIsRelative=1\nPath=Profiles/first\n\n"
      "[Profile1]\nName=second\nIsRelative=1\nPath=Profiles/second\nDefault=1\n";
  const std::vector<FirefoxProfile> profiles = ParseFirefoxProfilesIni(ini, kFolder);
  ASSERT_EQ(profiles.size(), 2U);
  EXPECT_FALSE(profiles[0].isDefault);
  EXPECT_TRUE(profiles[1].isDefault);
}

TEST(FirefoxProfilesIni, DamagedLinesAndSectionsAreLeftOut) {
  const std::string ini =
      "Path=before any section\n"
      "; a comment\n# another\n"
      "[Profile0]\nName=no path\nIsRelative=1\n"
      "[Profile1\nName=unclosed header: still Profile0's\n"
      "[Profile2]\n  Name = spaced  \n IsRelative = 1 \nPath = Profiles/spaced \nno equals sign\n"
      "[profile3]\nName=lower case\nIsRelative=1\nPath=Profiles/lower\n"
      "[Profile4]\nName=absolute by default\nPath=/abs\n"
      "[Install1]\nDefault=\n"
      "\x01\xFF\xFE garbage\n[";
  const std::vector<FirefoxProfile> profiles = ParseFirefoxProfilesIni(ini, kFolder);
  const std::vector<FirefoxProfile> expected = {
      Profile("spaced", (kFolder / "Profiles/spaced").make_preferred(), false),
      Profile("absolute by default", std::filesystem::path("/abs"), false),
  };
  EXPECT_EQ(profiles, expected);
  EXPECT_TRUE(ParseFirefoxProfilesIni("", kFolder).empty());
}

TEST(FirefoxCheckpoints, OnlyTheFinalWriteMeansACleanEnd) {
  EXPECT_EQ(
      ParseFirefoxCheckpoints(
          R"({"profile-after-change":true,"final-ui-startup":true,"sessionstore-windows-restored":true,)"
          R"("quit-application-granted":true,"quit-application":true,"sessionstore-final-state-write-complete":true,)"
          R"("profile-change-net-teardown":true,"profile-change-teardown":true,"profile-before-change":true})"),
      BrowserEnd::kNormal);
  // What a run that is still going, or that was killed, leaves.
  EXPECT_EQ(
      ParseFirefoxCheckpoints(
          R"({"profile-after-change":true,"final-ui-startup":true,"sessionstore-windows-restored":true})"),
      BrowserEnd::kCrashed);
  EXPECT_EQ(ParseFirefoxCheckpoints(R"({"sessionstore-final-state-write-complete":false})"),
            BrowserEnd::kCrashed);
  EXPECT_EQ(ParseFirefoxCheckpoints(R"({"sessionstore-final-state-write-complete":"true"})"),
            BrowserEnd::kCrashed);
  for (const char* unknown :
       {"", "[]", "true", R"({"sessionstore-final-state-write-complete":true)", "\xFF\xFE{}"}) {
    EXPECT_EQ(ParseFirefoxCheckpoints(unknown), BrowserEnd::kUnknown) << unknown;
  }
}

}  // namespace
}  // namespace pagemind::browsers
