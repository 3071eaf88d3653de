#include <gtest/gtest.h>

#include "access_log/access_log.h"
#include "app_fixture.h"
#include "common/paths.h"
#include "platform/native.h"

namespace pagemind::tray {
namespace {

using namespace std::chrono_literals;
using Outcome = platform::SaveDialogResult::Outcome;
using testing::ReadBytes;

class AccessLogSaveTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  void Answer(Outcome outcome, const std::filesystem::path& path) {
    platform.ui.onSaveDialog = [outcome, path](const platform::SaveDialogOptions&) {
      return platform::SaveDialogResult{outcome, Utf8FromPath(path)};
    };
  }
  void Save() { main->ClickNamed("Command2"); }
};

TEST_F(AccessLogSaveTest, TheDialogIsPreparedEveryTimeAndOffersTheLastFile) {
  Answer(Outcome::kConfirmed, temp.path() / "first.txt");
  Save();
  Answer(Outcome::kCancelled, {});
  Save();
  ASSERT_EQ(platform.ui.saveDialogs.size(), 2U);
  const auto& second = platform.ui.saveDialogs[1];
  EXPECT_EQ(second.title, "ファイルの保存");
  EXPECT_EQ(second.filter, "テキスト形式(*.txt)|*.txt|全てのファイルを表示(*.*)|*.*|");
  EXPECT_EQ(second.flags, 8194U);
  EXPECT_EQ(second.filterIndex, 1);
  EXPECT_EQ(second.initialPath, Utf8FromPath(temp.path() / "first.txt"));
}

TEST_F(AccessLogSaveTest, TwoLinesOfOneVisitAreWrittenExactly) {
  platform.shell.Open("http://127.0.0.1/日本", "ページ");
  platform.ui.Advance(100ms);
  Answer(Outcome::kConfirmed, temp.path() / "log");
  Save();
  EXPECT_EQ(ReadBytes(temp.path() / "log"),
            "Name:\x83\x79\x81\x5b\x83\x57\r\n URL:http://127.0.0.1/\x93\xfa\x96\x7b\r\n")
      << "a name without extension stays without one";
}

TEST_F(AccessLogSaveTest, AnEmptyListEmptiesTheChosenFile) {
  testing::WriteBytes(temp.path() / "old.txt", "old contents");
  Answer(Outcome::kConfirmed, temp.path() / "old.txt");
  Save();
  EXPECT_EQ(ReadBytes(temp.path() / "old.txt"), "");
}

TEST_F(AccessLogSaveTest, BesideTheUsersOwnTmpFileOnlyTheChosenFileChanges) {
  platform.shell.Open("http://127.0.0.1/a", "A");
  platform.ui.Advance(100ms);
  const auto folder = temp.path() / "saves";
  std::filesystem::create_directory(folder);
  testing::WriteBytes(folder / "mylog.txt", "an older log, longer than the new one\r\n\r\n");
  const std::string theirs("kept \x83\x79 as it is\0", 17);
  testing::WriteBytes(folder / "mylog.txt.tmp", theirs);
  Answer(Outcome::kConfirmed, folder / "mylog.txt");
  Save();
  EXPECT_TRUE(platform.ui.messages().empty());
  EXPECT_EQ(ReadBytes(folder / "mylog.txt"), "Name:A\r\n URL:http://127.0.0.1/a\r\n");
  EXPECT_EQ(ReadBytes(folder / "mylog.txt.tmp"), theirs);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
}

TEST_F(AccessLogSaveTest, AReadOnlyChosenFileIsReportedAndKept) {
  const auto chosen = temp.path() / "read-only.txt";
  testing::WriteBytes(chosen, "the user's text");
  std::filesystem::permissions(chosen, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  Answer(Outcome::kConfirmed, chosen);
  {
    const testing::AsOrdinaryUser user;
    Save();
  }
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  const auto& text = platform.ui.messages()[0].text;
  EXPECT_NE(text.find(Utf8FromPath(chosen)), std::string::npos) << text;
  EXPECT_NE(
      text.find(platform.files.DescribeError(std::make_error_code(std::errc::permission_denied))),
      std::string::npos)
      << text;
  EXPECT_EQ(ReadBytes(chosen), "the user's text");
}

TEST_F(AccessLogSaveTest, CancelOrAFailedDialogWithoutANameWritesNothing) {
  Answer(Outcome::kCancelled, temp.path() / "no.txt");
  Save();
  Answer(Outcome::kFailed, {});
  Save();
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "no.txt"));
  EXPECT_TRUE(platform.ui.messages().empty());
}

TEST_F(AccessLogSaveTest, AFailedDialogThatHoldsANameStillSaves) {
  Answer(Outcome::kFailed, temp.path() / "named.txt");
  Save();
  EXPECT_TRUE(std::filesystem::exists(temp.path() / "named.txt"));
}

TEST_F(AccessLogSaveTest, AFileThatCannotBeWrittenIsNamedInAMessage) {
  Answer(Outcome::kConfirmed, temp.path() / "missing folder" / "log.txt");
  Save();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  EXPECT_NE(platform.ui.messages()[0].text.find("missing folder"), std::string::npos);
  EXPECT_NE(Window("Main"), nullptr);
}

TEST(AccessLogFile, StopsAtTheFirstEmptyLineAndAfter10001Lines) {
  const auto ansi = platform::MakeAnsiCodec();
  const auto lines = [](std::size_t count) {
    return [count](std::size_t i) { return i < count ? "L" + std::to_string(i) : std::string(); };
  };
  const auto full = access_log::FileBytes(lines(10002), *ansi);
  EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 10001);
  EXPECT_TRUE(full.ends_with("L10000\r\n"));
  EXPECT_EQ(access_log::FileBytes(lines(0), *ansi), "");
  const auto gap = [](std::size_t i) { return i == 1 ? std::string() : std::string("x"); };
  EXPECT_EQ(access_log::FileBytes(gap, *ansi), "x\r\n");
}

}  // namespace
}  // namespace pagemind::tray
