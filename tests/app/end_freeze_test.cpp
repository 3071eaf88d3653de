// The end command stops the page memory before it saves: what the slot files hold is what the
// next start finds, whatever the timers do while the windows unload.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_fixture.h"
#include "pages/page_history.h"
#include "pages/page_slots.h"
#include "pages/recovery_copy.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using testing::ReadBytes;

class EndFreezeTest : public testing::ResidentApp {
 protected:
  [[nodiscard]] std::filesystem::path Slot(int k) const {
    return pages::SlotFilePath(temp.path(), k);
  }
  [[nodiscard]] std::filesystem::path Recovery() const {
    return pages::RecoveryCopyPath(temp.path());
  }
  // While the windows unload, a new browser window opens and the timers fire for a whole cycle
  // of the poller (3.1 s) and the recovery timer's second after it.
  void TicksWhileUnloading() {
    platform.ui.onPendingEvents = [this] {
      platform.ui.onPendingEvents = nullptr;
      platform.shell.Open("http://127.0.0.1/late", "Late");
      platform.ui.Advance(4200ms);
    };
  }
};

TEST_F(EndFreezeTest, TicksWhileTheWindowsUnloadRecordNothingAndWriteNoCopy) {
  Start();
  platform.shell.Open("http://127.0.0.1/open", "Open");
  platform.ui.Advance(1500ms);
  ASSERT_TRUE(std::filesystem::exists(Recovery()));
  TicksWhileUnloading();
  main->ChooseCommand(tray::kEndProgram);
  ASSERT_TRUE(platform.program.ended());
  ASSERT_EQ(platform.ui.onPendingEvents, nullptr) << "the unload let pending events through";
  EXPECT_FALSE(std::filesystem::exists(Recovery())) << "no copy written again after the save";
  EXPECT_EQ(ReadBytes(Slot(0)), "http://127.0.0.1/open");
  EXPECT_EQ(ReadBytes(Slot(1)), "") << "a page recorded after the save";

  // The next start takes a clean end for one: the pages of the slot files, one set of the end.
  platform::headless::HeadlessPlatform next(temp.path());
  Application again(next.ports());
  again.Start();
  next.ui.Advance(3000ms);
  ASSERT_NE(again.host(), nullptr);
  EXPECT_EQ(again.host()->pageMemory().pages(), std::vector<std::string>{"http://127.0.0.1/open"});
  const auto history = again.host()->pageMemory().history();
  ASSERT_EQ(history.size(), 1U) << "no set of an end the program did not see";
  EXPECT_EQ(history.front().pages,
            (std::vector<pages::RememberedPage>{{"http://127.0.0.1/open", "Open"}}));
}

TEST_F(EndFreezeTest, AnEndCalledOffLetsTheMemoryRunAgain) {
  Start();
  platform.shell.Open("http://127.0.0.1/open", "Open");
  platform.ui.Advance(100ms);
  std::filesystem::create_directory(Slot(4));  // the save of slot 4 fails
  platform.ui.answers.push_back(Answer::kNo);
  main->ChooseCommand(tray::kEndProgram);
  ASSERT_FALSE(platform.program.ended());

  platform.shell.Open("http://127.0.0.1/after", "After");
  platform.ui.Advance(1500ms);
  auto remembered = app.host()->pageMemory().pages();
  std::sort(remembered.begin(), remembered.end());
  EXPECT_EQ(remembered,
            (std::vector<std::string>{"http://127.0.0.1/after", "http://127.0.0.1/open"}));
  EXPECT_EQ(ReadBytes(Recovery()), pages::RecoveryCopyBytes(app.host()->pageMemory().pages()))
      << "the recovery copy follows again";
}

TEST_F(EndFreezeTest, TheEndOfTheWindowsSessionLeavesTheCopyOfTheSetItKept) {
  Start();
  platform.shell.Open("http://127.0.0.1/open", "Open");
  platform.ui.Advance(1500ms);
  TicksWhileUnloading();
  main->RequestClose(platform::UnloadReason::kWindowsSession);
  ASSERT_TRUE(platform.program.ended());
  ASSERT_EQ(platform.ui.onPendingEvents, nullptr) << "the unload let pending events through";
  EXPECT_EQ(ReadBytes(Recovery()), pages::RecoveryCopyBytes({"http://127.0.0.1/open"}))
      << "a page recorded while the windows unloaded";

  // The next start finds the set the end kept, and no other.
  platform::headless::HeadlessPlatform next(temp.path());
  Application again(next.ports());
  again.Start();
  next.ui.Advance(3000ms);
  ASSERT_NE(again.host(), nullptr);
  EXPECT_EQ(again.host()->pageMemory().history().size(), 1U);
}

TEST_F(EndFreezeTest, AYesEndsWithTheCopyTheQuestionNamed) {
  Start();
  platform.shell.Open("http://127.0.0.1/open", "Open");
  platform.ui.Advance(100ms);
  std::filesystem::create_directory(Slot(4));
  platform.ui.answers.push_back(Answer::kYes);
  // The question said which pages the copy holds; a window opened after it changes nothing.
  TicksWhileUnloading();
  main->ChooseCommand(tray::kEndProgram);
  ASSERT_TRUE(platform.program.ended());
  EXPECT_EQ(ReadBytes(Recovery()), pages::RecoveryCopyBytes({"http://127.0.0.1/open"}));
}

}  // namespace
}  // namespace pagemind::app
