#include "tray/logon_start.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "common/paths.h"
#include "tray/menu_commands.h"

namespace pagemind::tray {
namespace {

const auto kJapaneseExe = PathFromUtf8("C:\\Users\\山田 太郎\\ツール フォルダ\\pagemind.exe");

TEST(RunValue, QuotesTheWholePathWithItsSpacesAndJapaneseCharacters) {
  EXPECT_EQ(RunValueData(kJapaneseExe), "\"C:\\Users\\山田 太郎\\ツール フォルダ\\pagemind.exe\"");
  EXPECT_TRUE(RunValueStarts(RunValueData(kJapaneseExe), kJapaneseExe));
}

TEST(RunValue, MatchesThePathAsWindowsReadsIt) {
  const auto exe = PathFromUtf8("C:\\Tools\\Pagemind\\pagemind.exe");
  for (const char* data : {
           "\"c:\\tools\\PAGEMIND\\Pagemind.EXE\"",       // case of ASCII letters
           "C:\\Tools\\Pagemind\\pagemind.exe",           // no quotes
           "  \"C:\\Tools\\Pagemind\\pagemind.exe\"\t",   // blanks around
           "\"C:\\Tools\\Pagemind\\pagemind.exe\" /min",  // arguments after the quotes
           "C:\\Tools\\Pagemind\\pagemind.exe /min",      // arguments after an unquoted path
           "\"C:/Tools/Pagemind/pagemind.exe\"",          // forward slashes
           "\"C:\\Tools\\Pagemind\\pagemind.exe",         // no closing quote
       }) {
    EXPECT_TRUE(RunValueStarts(data, exe)) << data;
  }
  for (const char* data : {
           "\"C:\\Old\\Pagemind\\pagemind.exe\"",  // the program was moved
           "\"C:\\Tools\\Pagemind\\pagemind.exe.bak\"",
           "C:\\Tools\\Pagemind\\pagemind.exe.bak",
           "\"C:\\Tools\\Pagemind\"\\pagemind.exe",
           "\"C:\\Tools\\Pagemind\\pagemind\"",
           "",
           "\"\"",
       }) {
    EXPECT_FALSE(RunValueStarts(data, exe)) << data;
  }
  // Japanese has no case; only the ASCII letters fold.
  EXPECT_TRUE(
      RunValueStarts("\"c:\\users\\山田 太郎\\ツール フォルダ\\PAGEMIND.exe\"", kJapaneseExe));
  EXPECT_FALSE(
      RunValueStarts("\"C:\\Users\\山田 次郎\\ツール フォルダ\\pagemind.exe\"", kJapaneseExe));
}

class LogonStartTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  auto& runKey() { return platform.runAtLogon; }
  [[nodiscard]] std::string OwnValue() const {
    return RunValueData(platform.program.ExecutablePath());
  }
  // Opens the tray menu, picks the log-on item and returns whether it showed checked.
  bool ChooseLogonItem() {
    bool checked = false;
    platform.ui.onPopupMenu = [&checked](const std::vector<platform::MenuItem>& items) {
      for (const auto& item : items) {
        if (item.commandId == kSwitchStartAtLogon) checked = item.checked;
      }
      return static_cast<int>(kSwitchStartAtLogon);
    };
    platform.notifyArea.RightClick();
    return checked;
  }
  // Opens the menu and dismisses it: whether the item showed checked.
  bool MenuShowsChecked() {
    platform.ui.onPopupMenu = [](const std::vector<platform::MenuItem>&) { return 0; };
    platform.notifyArea.RightClick();
    for (const auto& item : platform.ui.popupMenus.back()) {
      if (item.commandId == kSwitchStartAtLogon) return item.checked;
    }
    ADD_FAILURE() << "no log-on item in the menu";
    return false;
  }
};

TEST_F(LogonStartTest, SwitchesOnAndOffWithTheCheckMarkFollowing) {
  EXPECT_FALSE(ChooseLogonItem());
  ASSERT_EQ(runKey().values.count("Pagemind"), 1U);
  EXPECT_EQ(runKey().values["Pagemind"], OwnValue());
  EXPECT_TRUE(MenuShowsChecked());
  EXPECT_TRUE(ChooseLogonItem());
  EXPECT_EQ(runKey().values.count("Pagemind"), 0U);
  EXPECT_FALSE(MenuShowsChecked());
  EXPECT_TRUE(platform.ui.messages().empty());
  EXPECT_EQ(Window("Settings"), nullptr) << "the switch opens no window";
}

TEST_F(LogonStartTest, TheCheckMarkReadsTheRegistryEachTimeTheMenuOpens) {
  runKey().values["PAGEMIND"] = OwnValue();
  EXPECT_TRUE(MenuShowsChecked()) << "set by something else; value names have no case";
  runKey().values.clear();
  EXPECT_FALSE(MenuShowsChecked()) << "removed by something else";
  runKey().values["Pagemind"] = "\"C:\\Other\\pagemind.exe\"";
  runKey().values["Other"] = OwnValue();
  EXPECT_FALSE(MenuShowsChecked()) << "only the program's own value counts";
}

TEST_F(LogonStartTest, AMovedProgramShowsUncheckedAndChoosingWritesTheNewPath) {
  runKey().values["Pagemind"] = "\"C:\\Old place\\pagemind.exe\"";
  EXPECT_FALSE(ChooseLogonItem());
  EXPECT_EQ(runKey().values["Pagemind"], OwnValue());
  EXPECT_TRUE(MenuShowsChecked());
}

TEST_F(LogonStartTest, AnUnreadableKeyShowsUncheckedAndChoosingWrites) {
  runKey().values["Pagemind"] = "\"C:\\Old place\\pagemind.exe\"";
  runKey().readError = std::make_error_code(std::errc::permission_denied);
  EXPECT_FALSE(ChooseLogonItem());
  EXPECT_EQ(runKey().values["Pagemind"], OwnValue()) << "a key that cannot be read is written";
  EXPECT_TRUE(platform.ui.messages().empty());
}

TEST_F(LogonStartTest, AFailedWriteOrRemovalIsReportedWithTheSystemsReason) {
  const auto denied = std::make_error_code(std::errc::permission_denied);
  runKey().writeError = denied;
  ChooseLogonItem();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  const auto& wrote = platform.ui.messages()[0];
  EXPECT_EQ(wrote.icon, platform::MessageIcon::kStop);
  EXPECT_EQ(wrote.text, "ログオン時に起動するように設定できませんでした。\r\n\r\n" +
                            std::string(platform::kRunKeyName) + "\r\n    " +
                            platform.files.DescribeError(denied));
  EXPECT_NE(wrote.text.find(denied.message()), std::string::npos);
  EXPECT_TRUE(runKey().values.empty());
  EXPECT_FALSE(MenuShowsChecked());

  runKey().writeError.clear();
  runKey().values["Pagemind"] = OwnValue();
  runKey().removeError = denied;
  EXPECT_TRUE(ChooseLogonItem());
  ASSERT_EQ(platform.ui.messages().size(), 2U);
  EXPECT_TRUE(platform.ui.messages()[1].text.starts_with(
      "ログオン時に起動しないように設定できませんでした。\r\n\r\n"));
  EXPECT_NE(platform.ui.messages()[1].text.find(denied.message()), std::string::npos);
  EXPECT_TRUE(MenuShowsChecked()) << "the value stays";
}

TEST_F(LogonStartTest, TheCommandPostedToTheMainWindowSwitchesToo) {
  main->ChooseCommand(kSwitchStartAtLogon);
  EXPECT_EQ(runKey().values["Pagemind"], OwnValue());
}

}  // namespace
}  // namespace pagemind::tray
