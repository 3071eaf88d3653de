// What the memory records is cut to the limits of its files, and every file the program writes
// is one it reads again at the next start.
#include <gtest/gtest.h>

#include "app/page_memory_messages.h"
#include "common/paths.h"
#include "common/utf8.h"
#include "pages/page_history.h"
#include "pages/page_memory.h"
#include "pages/recovery_copy.h"
#include "platform/headless/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/scripted_shell.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

TEST(Utf8Prefix, CutsOnACharacterBoundaryAndLeavesShortTextsWhole) {
  const std::string text = "ab日本";  // 日 and 本 take three bytes each
  EXPECT_EQ(Utf8Prefix(text, 100), text);
  EXPECT_EQ(Utf8Prefix(text, 8), text);
  EXPECT_EQ(Utf8Prefix(text, 7), "ab日");
  EXPECT_EQ(Utf8Prefix(text, 5), "ab日");
  EXPECT_EQ(Utf8Prefix(text, 4), "ab");
  EXPECT_EQ(Utf8Prefix("😀x", 3), "");
  // Bytes that are no character are cut anywhere, but never more than the limit asks.
  EXPECT_EQ(Utf8Prefix("a\x80\x80\x80\x80\x80", 4), "a\x80\x80\x80");
  EXPECT_EQ(Utf8Prefix("日\x80", 3), "日");
  EXPECT_EQ(Utf8CharacterLength("\xE6\x97"), 1U) << "a cut character is bytes of its own";
  EXPECT_EQ(Utf8CharacterLength("\xF0\x9F\x98\x80"), 4U);
}

class RecordLimitsTest : public ::testing::Test {
 protected:
  RecordLimitsTest() { std::filesystem::create_directory(temp.path() / "Log"); }
  std::unique_ptr<PageMemory> Run(platform::headless::ScriptedShell& on) {
    return std::make_unique<PageMemory>(files, on, *ansi, clock, temp.path());
  }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  platform::headless::HeadlessClock clock;
};

// A page with a title of megabytes and an address past the slot files' limit, through twelve
// ends: every file stays readable and the history keeps taking sets.
TEST_F(RecordLimitsTest, AHugeTitleAndAddressAreCutWhereRecordedAndEveryFileReadsBack) {
  const std::string address = "http://127.0.0.1/" + std::string(100'000, 'a') + "日本";
  const std::string title = std::string(kTitleLimit - 2, 't') + "タ" + std::string(3'000'000, 't');
  for (int run = 0; run < 12; ++run) {
    platform::headless::ScriptedShell shell;
    shell.Open(address, title);
    shell.Open("http://127.0.0.1/run" + std::to_string(run), "");
    auto memory = Run(shell);
    const auto problems = memory->Load();
    ASSERT_TRUE(problems.empty()) << "run " << run << ": " << Utf8FromPath(problems[0].path) << " "
                                  << problems[0].reason;
    for (int i = 0; i < kSlotCount; ++i) memory->Tick();
    memory->WriteRecoveryIfChanged();
    const auto pages = memory->rememberedPages();
    ASSERT_GE(pages.size(), 2U);
    const auto& big = pages[0];
    EXPECT_EQ(big.address, Utf8Prefix(address, kAddressLimit));
    EXPECT_EQ(big.title, Utf8Prefix(title, kTitleLimit));
    EXPECT_EQ(big.title.size(), kTitleLimit - 2) << "not inside タ";
    EXPECT_LE(ReadBytes(RecoveryCopyPath(temp.path())).size(), kRecoveryCopyLimit);
    ASSERT_TRUE(memory->Save().empty());
    memory->KeepSetOfEnd();
    EXPECT_EQ(ReadBytes(SlotFilePath(temp.path(), 0)), big.address);
  }
  platform::headless::ScriptedShell none;
  auto last = Run(none);
  EXPECT_TRUE(last->Load().empty());
  const auto history = last->history();
  ASSERT_EQ(history.size(), static_cast<std::size_t>(kHistoryLength));
  EXPECT_EQ(history.front().pages.back().address, "http://127.0.0.1/run11")
      << "the newest set went to a file";
}

// The largest files the writers can make: 31 addresses at their limit, every byte one that is
// escaped, each with a title at its limit.
TEST_F(RecordLimitsTest, TheReadersTakeTheLargestFilesTheWritersMake) {
  PageSet set{.time = 253'402'300'799, .pages = {}};  // 9999-12-31 23:59:59 UTC
  std::vector<std::string> addresses;
  for (int k = 0; k < kSlotCount; ++k) {
    std::string page(kAddressLimit, '\n');
    page[0] = static_cast<char>('A' + k);
    addresses.push_back(page);
    set.pages.push_back({page, std::string(kTitleLimit, 't')});
  }
  // The slot file of an address the code page holds nothing of.
  std::string korean;
  while (korean.size() + 3 <= kAddressLimit) korean += "한";
  PageSlots slots{korean};
  ASSERT_TRUE(SavePageSlots(files, temp.path(), *ansi, slots).empty());
  slots = {};
  ASSERT_TRUE(LoadPageSlots(files, temp.path(), *ansi, slots).empty());
  EXPECT_EQ(slots[0].size(), 3 * korean.size()) << "every byte as %XX";

  WriteBytes(RecoveryCopyPath(temp.path()), RecoveryCopyBytes(addresses));
  FileProblems problems;
  const auto recovered = ReadRecoveryCopy(files, temp.path(), problems);
  EXPECT_TRUE(problems.empty()) << problems[0].reason;
  EXPECT_EQ(recovered.pages.size(), addresses.size());

  WriteBytes(HistoryFilePath(temp.path(), 0), HistoryFileBytes(set, 1));
  PageHistory history(files, temp.path());
  const auto historyProblems = history.Load();
  EXPECT_TRUE(historyProblems.empty()) << historyProblems[0].reason;
  ASSERT_EQ(history.sets().size(), 1U);
  EXPECT_EQ(history.sets()[0].time, set.time);
  EXPECT_EQ(history.sets()[0].pages.size(), set.pages.size());
}

TEST_F(RecordLimitsTest, ATooLargeFileIsNamedWithItsOwnLimitAndKind) {
  WriteBytes(SlotFilePath(temp.path(), 2), std::string(kSlotFileLimit + 1, 'x'));
  WriteBytes(RecoveryCopyPath(temp.path()), std::string(kRecoveryCopyLimit + 1, 'x'));
  WriteBytes(HistoryFilePath(temp.path(), 3), std::string(8 * 1024 * 1024 + 1, 'x'));
  platform::headless::ScriptedShell shell;
  const auto problems = Run(shell)->Load();
  ASSERT_EQ(problems.size(), 3U);
  const std::pair<std::string, std::string> expected[] = {
      {"192 KB", "ページのアドレスではありません。"},
      {"22 MB", "復元用のファイルではありません。"},
      {"8 MB", "ページの組の記録ではありません。"},
  };
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const auto reason = app::ProblemReason(problems[i]);
    SCOPED_TRACE(reason);
    EXPECT_EQ(problems[i].error, platform::FileError::kTooLarge);
    EXPECT_NE(reason.find("（" + expected[i].first + " を超えています）"), std::string::npos);
    EXPECT_NE(reason.find(expected[i].second), std::string::npos);
  }
}

}  // namespace
}  // namespace pagemind::pages
