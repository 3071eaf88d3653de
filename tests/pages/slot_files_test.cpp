#include <gtest/gtest.h>

#include "app/page_memory_messages.h"

#include "pages/page_slots.h"
#include "platform/files.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class SlotFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnsureLogFolder(*files, temp.path()).empty()); }
  std::filesystem::path Slot(int k) const { return SlotFilePath(temp.path(), k); }
  FileProblems Load() { return LoadPageSlots(*files, temp.path(), *ansi, slots); }
  FileProblems Save() { return SavePageSlots(*files, temp.path(), *ansi, slots); }
  int FilesInLog() const {
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator(temp.path() / "Log"), {}));
  }

  TempFolder temp;
  std::unique_ptr<platform::FileSystem> files = platform::MakeFileSystem();
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  PageSlots slots;
};

TEST_F(SlotFilesTest, NamesRunFromLog00ToLog30) {
  EXPECT_EQ(Slot(0), temp.path() / "Log" / "log00.pms");
  EXPECT_EQ(Slot(9).filename(), "log09.pms");
  EXPECT_EQ(Slot(10).filename(), "log10.pms");
  EXPECT_EQ(Slot(30).filename(), "log30.pms");
}

TEST_F(SlotFilesTest, SaveWritesExactlyTheAnsiBytesOfEachSlot) {
  slots[0] = "http://127.0.0.1/a";
  slots[3] = "http://127.0.0.1/日本語";
  WriteBytes(Slot(5), "a much longer address that was there before");
  ASSERT_TRUE(Save().empty());
  EXPECT_EQ(FilesInLog(), kSlotCount);
  EXPECT_EQ(ReadBytes(Slot(0)), "http://127.0.0.1/a");
  EXPECT_EQ(ReadBytes(Slot(3)), "http://127.0.0.1/\x93\xfa\x96\x7b\x8c\xea");
  EXPECT_EQ(ReadBytes(Slot(5)), "") << "an empty slot is a file of 0 bytes";
  EXPECT_EQ(ReadBytes(Slot(30)), "");
}

// A Korean or emoji address on a Japanese system: written as '?', it came back as another
// address. Percent-encoded as UTF-8 it is the same address to every browser.
TEST_F(SlotFilesTest, CharactersTheCodePageLacksAreWrittenPercentEncodedAsUtf8) {
  slots[0] = "http://127.0.0.1/한국?q=😀&yen=¥";
  slots[1] = "http://127.0.0.1/日本語〜%41";
  slots[2] = std::string("http://127.0.0.1/\xFF\xE6\x97", 20);
  ASSERT_TRUE(Save().empty());
  EXPECT_EQ(ReadBytes(Slot(0)), "http://127.0.0.1/%ED%95%9C%EA%B5%AD?q=%F0%9F%98%80&yen=%C2%A5");
  EXPECT_EQ(ReadBytes(Slot(1)), "http://127.0.0.1/\x93\xfa\x96\x7b\x8c\xea%E3%80%9C%41")
      << "what the code page holds keeps its bytes; the wave dash only has a look-alike";
  EXPECT_EQ(ReadBytes(Slot(2)), "http://127.0.0.1/%FF%E6%97") << "bytes that are no character";
  slots = {};
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(slots[0], "http://127.0.0.1/%ED%95%9C%EA%B5%AD?q=%F0%9F%98%80&yen=%C2%A5");
  EXPECT_EQ(slots[1], "http://127.0.0.1/日本語%E3%80%9C%41");
}

TEST_F(SlotFilesTest, CommasQuotesAndBlanksSurviveSaveAndLoad) {
  const std::string addresses[] = {
      "https://maps.example.test/@35.68,139.76,15z?q=a,b",
      "\"quoted\", then more",
      "   leading blanks and trailing   ",
      "http://127.0.0.1/検索?q=東京,大阪",
  };
  for (int k = 0; k < 4; ++k) slots[static_cast<std::size_t>(k)] = addresses[k];
  const PageSlots saved = slots;
  ASSERT_TRUE(Save().empty());
  slots = {};
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(slots, saved);
  EXPECT_EQ(FilesInLog(), 0) << "every file read is deleted";
}

TEST_F(SlotFilesTest, LoadDropsOneTrailingLineBreakOfAHandEditedFile) {
  WriteBytes(Slot(0), "http://127.0.0.1/a\r\n");
  WriteBytes(Slot(1), "http://127.0.0.1/b\n");
  WriteBytes(Slot(2), "http://127.0.0.1/c\n\n");
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(slots[0], "http://127.0.0.1/a");
  EXPECT_EQ(slots[1], "http://127.0.0.1/b");
  EXPECT_EQ(slots[2], "http://127.0.0.1/c\n");
}

TEST_F(SlotFilesTest, MissingFilesLeaveTheirSlotsEmptyWithoutComplaint) {
  EXPECT_TRUE(Load().empty()) << "a first start has no slot files at all";
  EXPECT_EQ(slots, PageSlots{});
  for (int k = 0; k < kSlotCount; ++k) WriteBytes(Slot(k), "p" + std::to_string(k));
  std::filesystem::remove(Slot(17));
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(slots[16], "p16");
  EXPECT_EQ(slots[17], "");
  EXPECT_EQ(slots[18], "p18");
  EXPECT_EQ(FilesInLog(), 0);
}

TEST_F(SlotFilesTest, AFileTooLargeToBeAnAddressStaysOnDiskAndIsReported) {
  WriteBytes(Slot(4), std::string(kSlotFileLimit + 1, 'x'));
  WriteBytes(Slot(5), std::string(kSlotFileLimit, 'y'));
  WriteBytes(Slot(6), "http://127.0.0.1/six");
  const auto problems = Load();
  ASSERT_EQ(problems.size(), 1U);
  EXPECT_EQ(problems[0].path, Slot(4));
  EXPECT_EQ(slots[4], "");
  EXPECT_EQ(slots[5].size(), kSlotFileLimit);
  EXPECT_EQ(slots[6], "http://127.0.0.1/six");
  EXPECT_TRUE(std::filesystem::exists(Slot(4)));
  EXPECT_FALSE(std::filesystem::exists(Slot(6)));
  EXPECT_NE(app::StartupProblemsMessage(problems).find("log04.pms"), std::string::npos);
}

TEST_F(SlotFilesTest, InvalidCodePageBytesAreReplacedAndTheRestIsKept) {
  WriteBytes(Slot(0), std::string("http://127.0.0.1/\x81\x20ok\xff", 22));
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(slots[0].substr(0, 17), "http://127.0.0.1/");
  EXPECT_NE(slots[0].find("ok"), std::string::npos);
}

TEST_F(SlotFilesTest, AnUnreadableFileIsReportedAndKeptWhileTheOthersLoad) {
  std::filesystem::create_directory(Slot(2));  // a folder where a slot file belongs
  WriteBytes(Slot(3), "http://127.0.0.1/three");
  const auto problems = Load();
  ASSERT_EQ(problems.size(), 1U);
  EXPECT_EQ(problems[0].path, Slot(2));
  EXPECT_EQ(slots[3], "http://127.0.0.1/three");
  EXPECT_TRUE(std::filesystem::exists(Slot(2)));
}

TEST_F(SlotFilesTest, AFailedSaveReportsTheFileAndKeepsEveryFileOldOrNew) {
  for (int k = 0; k < kSlotCount; ++k) WriteBytes(Slot(k), "old" + std::to_string(k));
  std::filesystem::remove(Slot(7));
  std::filesystem::create_directory(Slot(7));  // cannot be replaced by a file
  for (int k = 0; k < kSlotCount; ++k)
    slots[static_cast<std::size_t>(k)] = "new" + std::to_string(k);
  const auto problems = Save();
  ASSERT_EQ(problems.size(), 1U);
  EXPECT_EQ(problems[0].path, Slot(7));
  for (int k = 0; k < kSlotCount; ++k) {
    if (k == 7) continue;
    EXPECT_EQ(ReadBytes(Slot(k)), "new" + std::to_string(k));
  }
  const auto message = app::EndWithoutSavingQuestion(problems, {});
  EXPECT_NE(message.find("log07.pms"), std::string::npos);
  EXPECT_NE(message.find(files->DescribeError(problems[0].error)), std::string::npos);
}

TEST(LogFolder, IsMadeWhenMissingAndAFileInItsPlaceIsReported) {
  const auto files = platform::MakeFileSystem();
  TempFolder temp;
  EXPECT_TRUE(EnsureLogFolder(*files, temp.path()).empty());
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Log"));
  EXPECT_TRUE(EnsureLogFolder(*files, temp.path()).empty()) << "an existing folder is fine";

  TempFolder blocked;
  WriteBytes(blocked.path() / "Log", "not a folder");
  const auto problems = EnsureLogFolder(*files, blocked.path());
  ASSERT_EQ(problems.size(), 1U);
  EXPECT_EQ(problems[0].error, platform::make_error_code(platform::FileError::kNotAFolder));
  EXPECT_EQ(ReadBytes(blocked.path() / "Log"), "not a folder");

  const auto ansi = platform::MakeAnsiCodec();
  PageSlots slots;
  slots[0] = "http://127.0.0.1/";
  EXPECT_EQ(SavePageSlots(*files, blocked.path(), *ansi, slots).size(), 1U)
      << "a save cannot write into a file named Log, and says so once";
}

TEST(LogFolder, IsMadeAgainBySaveWhenItWasRemovedWhileRunning) {
  TempFolder temp;
  const auto files = platform::MakeFileSystem();
  const auto ansi = platform::MakeAnsiCodec();
  PageSlots slots;
  slots[1] = "http://127.0.0.1/kept";
  EXPECT_TRUE(SavePageSlots(*files, temp.path(), *ansi, slots).empty());
  EXPECT_EQ(ReadBytes(SlotFilePath(temp.path(), 1)), "http://127.0.0.1/kept");
}

}  // namespace
}  // namespace pagemind::pages
