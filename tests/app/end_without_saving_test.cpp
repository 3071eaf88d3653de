// The end command when the slot files cannot be saved: the question, and what each answer does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "app_fixture.h"
#include "common/paths.h"
#include "pages/page_slots.h"
#include "pages/recovery_copy.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using testing::ReadBytes;
using testing::WriteBytes;

class EndWithoutSavingTest : public testing::ResidentApp {
 protected:
  std::filesystem::path Slot(int k) const { return pages::SlotFilePath(temp.path(), k); }
  std::filesystem::path Recovery() const { return pages::RecoveryCopyPath(temp.path()); }
  // A folder where the save puts slot file k: its rename fails with EISDIR.
  void BlockSlot(int k) const { std::filesystem::create_directory(Slot(k)); }
  [[nodiscard]] std::string BlockedReason() const {
    return platform.files.DescribeError({EISDIR, std::generic_category()});
  }
  void End(Answer answer) {
    platform.ui.answers.push_back(answer);
    main->ChooseCommand(tray::kEndProgram);
  }
  [[nodiscard]] std::string LastQuestion() const {
    return platform.ui.questions().empty() ? std::string() : platform.ui.questions().back();
  }
  [[nodiscard]] bool Has(std::string_view text) const {
    return LastQuestion().find(text) != std::string::npos;
  }
};

TEST_F(EndWithoutSavingTest, NoStaysResidentWithEveryPageUntilAnEndThatSaves) {
  Start();
  platform.shell.Open("http://127.0.0.1/open", "O");
  platform.ui.Advance(100ms);
  BlockSlot(0);
  End(Answer::kNo);
  ASSERT_EQ(platform.ui.questions().size(), 1U);
  EXPECT_TRUE(platform.ui.messages().empty()) << "a question, not a message";
  EXPECT_TRUE(Has(Utf8FromPath(Slot(0)) + "\r\n    " + BlockedReason())) << LastQuestion();
  EXPECT_TRUE(Has("ページ 1 件は、すべて復元用のファイル「" + Utf8FromPath(Recovery()) + "」"));
  EXPECT_TRUE(Has("保存せずに終了しますか？"));
  EXPECT_EQ(Window("Main"), main) << "nothing is unloaded";
  EXPECT_FALSE(platform.program.ended());
  EXPECT_EQ(app.host()->pageMemory().pages(), std::vector<std::string>{"http://127.0.0.1/open"});

  std::filesystem::remove(Slot(0));  // the user makes room and ends again: no question then
  main->ChooseCommand(tray::kEndProgram);
  EXPECT_TRUE(platform.program.ended());
  EXPECT_EQ(platform.ui.questions().size(), 1U);
  EXPECT_EQ(ReadBytes(Slot(0)), "http://127.0.0.1/open");
  EXPECT_FALSE(std::filesystem::exists(Recovery()));
}

TEST_F(EndWithoutSavingTest, YesEndsWithThePagesInTheRecoveryCopyForTheNextStart) {
  std::filesystem::create_directory(temp.path() / "Log");
  WriteBytes(Slot(0), "http://127.0.0.1/last-run");
  Start();
  platform.shell.Open("http://127.0.0.1/open", "O");
  platform.ui.Advance(100ms);  // recorded, and not yet in the recovery copy
  BlockSlot(5);
  End(Answer::kYes);
  EXPECT_TRUE(Has("ページ 2 件は、すべて復元用のファイル")) << LastQuestion();
  EXPECT_TRUE(platform.program.ended());
  EXPECT_EQ(Window("Main"), nullptr);
  EXPECT_EQ(ReadBytes(Recovery()),
            "Pagemind recovery 1\r\nhttp://127.0.0.1/last-run\r\nhttp://127.0.0.1/open\r\nend\r\n")
      << "kept, and brought up to date before the question";
  const auto& journal = platform.journal.entries();
  const auto yes = std::find(journal.begin(), journal.end(), "answer yes");
  ASSERT_NE(yes, journal.end());
  EXPECT_EQ(
      std::count_if(yes, journal.end(), [](const std::string& e) { return e.ends_with(".pms"); }),
      0)
      << "the slot files are not written again";

  std::filesystem::remove(Slot(5));
  platform::headless::HeadlessPlatform next(temp.path());
  Application again(next.ports());
  again.Start();
  next.ui.Advance(3000ms);
  ASSERT_NE(again.host(), nullptr);
  auto remembered = again.host()->pageMemory().pages();
  std::sort(remembered.begin(), remembered.end());
  EXPECT_EQ(remembered,
            (std::vector<std::string>{"http://127.0.0.1/last-run", "http://127.0.0.1/open"}));
  EXPECT_TRUE(next.ui.messages().empty());
}

TEST_F(EndWithoutSavingTest, AFileNamedLogKeepsNoPageAndSaysSo) {
  WriteBytes(temp.path() / "Log", "in the way");
  Start();
  platform.shell.Open("http://127.0.0.1/open", "O");
  platform.ui.Advance(1500ms);
  End(Answer::kNo);
  EXPECT_TRUE(Has(Utf8FromPath(temp.path() / "Log") + "\r\n    " +
                  platform.files.DescribeError(platform::FileError::kNotAFolder)))
      << LastQuestion();
  EXPECT_TRUE(Has("ページ 1 件は、復元用のファイルにも残せていません。"));
  EXPECT_TRUE(Has("保存できなかったページは失われます。"));
  EXPECT_FALSE(platform.program.ended());

  End(Answer::kYes);
  EXPECT_EQ(platform.ui.questions().size(), 2U) << "asked at every end that fails";
  EXPECT_TRUE(platform.program.ended());
  EXPECT_EQ(ReadBytes(temp.path() / "Log"), "in the way");
}

TEST_F(EndWithoutSavingTest, WithNoPageRememberedNothingIsLost) {
  Start();
  BlockSlot(3);
  End(Answer::kNo);
  EXPECT_TRUE(Has("log03.pms")) << LastQuestion();
  EXPECT_TRUE(Has("失われるページはありません。"));
}

TEST_F(EndWithoutSavingTest, AQuestionTheTestDoesNotAnswerFailsIt) {
  Start();
  BlockSlot(0);
  EXPECT_THROW(main->ChooseCommand(tray::kEndProgram), std::logic_error);
  EXPECT_FALSE(platform.program.ended());
}

}  // namespace
}  // namespace pagemind::app
