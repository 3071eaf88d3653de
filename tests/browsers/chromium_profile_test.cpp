#include "browsers/chromium_profile.h"

#include <gtest/gtest.h>

#include "browsers/browser_errors.h"

namespace pagemind::browsers {
namespace {

TEST(ChromiumLocalState, ListsEveryProfileFolderWithItsName) {
  const auto reading = ParseLocalState(R"({
    "browser": {"enabled_labs_experiments": []},
    "profile": {"info_cache": {
      "Profile 1": {"name": "仕事", "avatar_icon": "chrome://theme/IDR_PROFILE_AVATAR_26"},
      "Default": {"name": "Person 1", "is_ephemeral": false}
    }, "last_used": "Profile 1"}})");
  EXPECT_FALSE(reading.problem);
  EXPECT_EQ(reading.profiles,
            (std::vector<ChromiumProfile>{{"Default", "Person 1"}, {"Profile 1", "仕事"}}));
}

TEST(ChromiumLocalState, WhatIsMissingOrOfAnotherTypeIsSaidNotThrown) {
  const auto problem = [](std::string_view text) { return ParseLocalState(text).problem; };
  EXPECT_EQ(problem(""), BrowserFileError::kNotJson);
  EXPECT_EQ(problem(R"({"profile": {"info_cache": {)"), BrowserFileError::kNotJson);
  EXPECT_EQ(problem("{\"profile\": \"\xff\xfe\"}"), BrowserFileError::kNotJson) << "bad UTF-8";
  EXPECT_EQ(problem(std::string(200000, '[')), BrowserFileError::kNotJson);
  EXPECT_EQ(problem("{}"), BrowserFileError::kMissingKey);
  EXPECT_EQ(problem(R"({"profile": {}})"), BrowserFileError::kMissingKey);
  EXPECT_EQ(problem(R"({"profile": []})"), BrowserFileError::kWrongType);
  EXPECT_EQ(problem(R"([1, 2])"), BrowserFileError::kWrongType);
  EXPECT_EQ(problem(R"({"profile": {"info_cache": "Default"}})"), BrowserFileError::kWrongType);
  EXPECT_EQ(problem(std::string(kChromiumJsonLimit + 1, ' ')), BrowserFileError::kTooLarge);

  // A profile without a usable name is still listed: its pages are no less there.
  const auto reading = ParseLocalState(R"({"profile": {"info_cache": {
      "Default": {"name": 7}, "Profile 2": {}, "Profile 3": {"name": "Three"}}}})");
  EXPECT_EQ(reading.problem, BrowserFileError::kWrongType);
  EXPECT_EQ(reading.profiles, (std::vector<ChromiumProfile>{
                                  {"Default", ""}, {"Profile 2", ""}, {"Profile 3", "Three"}}));
}

TEST(ChromiumPreferences, ExitTypeTellsHowTheLastRunEnded) {
  const auto end = [](std::string_view exitType) {
    const auto reading = ParsePreferences(R"({"profile": {"exit_type": ")" + std::string(exitType) +
                                          R"(", "exited_cleanly": true}})");
    EXPECT_FALSE(reading.problem) << exitType;
    return reading.end;
  };
  EXPECT_EQ(end("Normal"), BrowserEnd::kNormal);
  EXPECT_EQ(end("Crashed"), BrowserEnd::kCrashed);
  EXPECT_EQ(end("SessionEnded"), BrowserEnd::kSessionEnded);
}

TEST(ChromiumPreferences, AnythingElseIsAnUnknownEndWithItsReason) {
  const auto reading = [](std::string_view text) { return ParsePreferences(text); };
  EXPECT_EQ(reading(R"({"profile": {"exit_type": "normal"}})").problem,
            BrowserFileError::kUnknownValue);
  EXPECT_EQ(reading(R"({"profile": {"exit_type": 1}})").problem, BrowserFileError::kWrongType);
  EXPECT_EQ(reading(R"({"profile": {"name": "x"}})").problem, BrowserFileError::kMissingKey);
  EXPECT_EQ(reading(R"({"profile": null})").problem, BrowserFileError::kWrongType);
  EXPECT_EQ(reading("{\"profile\": {\"exit_type\": \"Normal\"}").problem,
            BrowserFileError::kNotJson);
  for (const auto text : {R"({"profile": {"exit_type": "normal"}})", "nonsense", "[]"}) {
    EXPECT_EQ(reading(text).end, BrowserEnd::kUnknown) << text;
  }
}

}  // namespace
}  // namespace pagemind::browsers
