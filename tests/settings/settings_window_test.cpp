#include <gtest/gtest.h>

#include "app_fixture.h"
#include "settings/settings_window.h"
#include "tray/menu_commands.h"

namespace pagemind::settings {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

class SettingsWindowTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  platform::headless::HeadlessForm* Open() {
    main->ChooseCommand(tray::kToggleSettings);
    return Window("Settings");
  }
  void Ini(std::string_view text) { WriteBytes(temp.path() / "Pagemind.ini", text); }
  std::vector<bool> Selected(platform::headless::HeadlessForm* w) const {
    return {w->IsOptionSelected(Settings::kOption1), w->IsOptionSelected(Settings::kOption2),
            w->IsOptionSelected(Settings::kOption3), w->IsOptionSelected(Settings::kOption4)};
  }
  std::filesystem::path IniPath() const { return temp.path() / "Pagemind.ini"; }
};

TEST_F(SettingsWindowTest, WithoutAFileBothOnOptionsShowAndOkWritesLogoThenLog) {
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->layout().caption, "Pagemind - 設定画面");
  EXPECT_EQ(Selected(w), (std::vector<bool>{true, false, true, false}));
  EXPECT_FALSE(std::filesystem::exists(IniPath())) << "opening creates no file";
  w->PressEnter();
  EXPECT_FALSE(w->IsVisible());
  EXPECT_EQ(ReadBytes(IniPath()), "[Settings]\r\nLogo=1\r\nLog=1\r\n");
}

TEST_F(SettingsWindowTest, CancelWritesNothingAndKeepsTheUnsavedChoiceForNextTime) {
  auto* w = Open();
  w->ClickNamed("Option2");
  w->PressEscape();
  EXPECT_FALSE(w->IsVisible());
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
  EXPECT_EQ(Open(), w) << "shown again, not loaded again";
  EXPECT_TRUE(w->IsOptionSelected(Settings::kOption2));
  w->ClickNamed("Command1");
  EXPECT_EQ(ReadBytes(IniPath()), "[Settings]\r\nLogo=0\r\nLog=1\r\n");
}

TEST_F(SettingsWindowTest, TheCloseBoxUnloadsSoTheFileIsReadAgain) {
  Ini("[Settings]\r\nLogo=1\r\nLog=0\r\n");
  auto* w = Open();
  w->ClickNamed("Option2");
  w->RequestClose(platform::UnloadReason::kUserClose);
  EXPECT_EQ(Window("Settings"), nullptr);
  w = Open();
  EXPECT_EQ(Selected(w), (std::vector<bool>{true, false, false, true}));
}

TEST_F(SettingsWindowTest, OtherValuesSelectNothingAndOkWritesZero) {
  Ini("[Settings]\r\nLogo=2\r\nLog=2\r\n");
  auto* w = Open();
  EXPECT_EQ(Selected(w), (std::vector<bool>{false, false, false, false}));
  w->PressEnter();
  EXPECT_EQ(ReadBytes(IniPath()), "[Settings]\r\nLogo=0\r\nLog=0\r\n");
}

TEST_F(SettingsWindowTest, LettersReadAsZero) {
  Ini("[Settings]\r\nLog=yes\r\n");
  auto* w = Open();
  EXPECT_EQ(Selected(w), (std::vector<bool>{true, false, false, true}));
}

TEST_F(SettingsWindowTest, TheHintExplainsInTwoLinesAndChangesNothing) {
  auto* w = Open();
  w->ClickNamed("HintsLog");
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  const auto& hint = platform.ui.messages()[0];
  EXPECT_EQ(hint.icon, platform::MessageIcon::kInformation);
  EXPECT_EQ(hint.text,
            "次回ソフト起動時にも、開いていたページをもう一度開けるようになります。\r"
            "なお、プログラムは独自にログを作成しますので、ユーザーが\"アクセスログ\"画面から保存"
            "したログファイルは参照しません。");
  EXPECT_TRUE(w->IsVisible());
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsWindowTest, TheEndCommandUnloadsTheSettingsWindow) {
  Open();
  main->ChooseCommand(tray::kEndProgram);
  EXPECT_EQ(Window("Settings"), nullptr);
  EXPECT_TRUE(platform.program.ended());
}

}  // namespace
}  // namespace pagemind::settings
