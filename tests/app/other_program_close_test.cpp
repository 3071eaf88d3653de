// A close that another program asks for (taskkill without /F, Task Manager's End task, a restart
// manager) ends Pagemind as Windows ending the session does; the user's own close stays refused.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "pages/page_slots.h"
#include "pages/recovery_copy.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;
using platform::UnloadReason;
using testing::ReadBytes;
using testing::WriteBytes;

class OtherProgramCloseTest : public testing::ResidentApp {
 protected:
  std::filesystem::path Slot(int k) const { return pages::SlotFilePath(temp.path(), k); }
  std::filesystem::path Recovery() const { return pages::RecoveryCopyPath(temp.path()); }
  // Slot 3 from the last run, taken into memory (and off the disk) by the start, and one page
  // opened since.
  void StartWithTwoPages() {
    std::filesystem::create_directories(temp.path() / "Log");
    WriteBytes(Slot(3), "http://127.0.0.1/three");
    Start();
    platform.shell.Open("http://127.0.0.1/open", "O");
    platform.ui.Advance(100ms);  // recorded, and not yet in the recovery copy
  }
  void ExpectEndedWithPagesInRecoveryOnly() const {
    EXPECT_TRUE(platform.program.ended());
    EXPECT_EQ(Window("Main"), nullptr);
    EXPECT_TRUE(platform.ui.messages().empty()) << "no message may stop it";
    EXPECT_TRUE(platform.notifyArea.icons.empty());
    EXPECT_FALSE(std::filesystem::exists(Slot(3))) << "the slot files stand for an orderly end";
    EXPECT_EQ(ReadBytes(Recovery()),
              "Pagemind recovery 1\r\nhttp://127.0.0.1/open\r\nhttp://127.0.0.1/three\r\nend\r\n");
  }
};

TEST_F(OtherProgramCloseTest, DuringTheSplashTheUsersCloseIsRefusedAnotherProgramsEnds) {
  app.Start();
  Window("Logo")->RequestClose(UnloadReason::kUserClose);
  ASSERT_NE(Window("Logo"), nullptr);
  EXPECT_FALSE(platform.program.ended());
  Window("Logo")->RequestClose(UnloadReason::kTaskManager);
  EXPECT_TRUE(platform.program.ended());
  EXPECT_EQ(Window("Logo"), nullptr);
  platform.ui.Advance(10s);
  EXPECT_EQ(Window("Main"), nullptr) << "the start-up does not go on after the end";
  EXPECT_TRUE(platform.ui.messages().empty());
  EXPECT_FALSE(std::filesystem::exists(Recovery())) << "nothing was remembered yet";
}

TEST_F(OtherProgramCloseTest, ResidentWithTheLogHiddenItEndsKeepingThePages) {
  StartWithTwoPages();
  main->RequestClose(UnloadReason::kUserClose);
  ASSERT_NE(Window("Main"), nullptr) << "the user's close stays refused";
  EXPECT_FALSE(platform.program.ended());
  main->RequestClose(UnloadReason::kTaskManager);
  ExpectEndedWithPagesInRecoveryOnly();
}

TEST_F(OtherProgramCloseTest, ResidentWithTheLogShownItEndsKeepingThePages) {
  StartWithTwoPages();
  main->ChooseCommand(tray::kToggleAccessLog);
  ASSERT_TRUE(main->IsVisible());
  main->RequestClose(UnloadReason::kUserClose);
  ASSERT_NE(Window("Main"), nullptr) << "the user's close stays refused";
  main->RequestClose(UnloadReason::kTaskManager);
  ExpectEndedWithPagesInRecoveryOnly();
}

TEST_F(OtherProgramCloseTest, InsideTheSettingsWindowsLoopItEndsThere) {
  StartWithTwoPages();
  bool endedInsideLoop = false;
  platform.ui.whileModal.push_back([&] {
    main->RequestClose(UnloadReason::kTaskManager);
    endedInsideLoop = platform.program.ended();
  });
  NextMenuChoice(tray::kToggleSettings);
  platform.notifyArea.RightClick();
  EXPECT_TRUE(endedInsideLoop) << "as at the session's end, the process goes from the loop";
  ExpectEndedWithPagesInRecoveryOnly();
}

TEST_F(OtherProgramCloseTest, TheSettingsWindowClosedFirstThenMainEnds) {
  // taskkill asks every window of the program, the topmost first.
  StartWithTwoPages();
  platform.ui.whileModal.push_back(
      [&] { Window("Settings")->RequestClose(UnloadReason::kTaskManager); });
  NextMenuChoice(tray::kToggleSettings);
  platform.notifyArea.RightClick();
  EXPECT_FALSE(platform.program.ended());
  main->RequestClose(UnloadReason::kTaskManager);
  ExpectEndedWithPagesInRecoveryOnly();
}

TEST_F(OtherProgramCloseTest, WhileAMessageBoxShowsItEnds) {
  WriteBytes(temp.path() / "Log", "in the way");  // the start-up reports the missing folder
  bool endedInsideBox = false;
  platform.ui.onMessage = [&](const platform::headless::ShownMessage&) {
    Window("Main")->RequestClose(UnloadReason::kTaskManager);
    endedInsideBox = platform.program.ended();
  };
  app.Start();
  platform.ui.Advance(3000ms);
  EXPECT_EQ(platform.ui.messages().size(), 1U);
  EXPECT_TRUE(endedInsideBox);
  EXPECT_EQ(Window("Main"), nullptr);
}

}  // namespace
}  // namespace pagemind::app
