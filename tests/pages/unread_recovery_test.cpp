// A recovery copy the start could not read may be the only copy of the pages of a run that was
// killed: it is moved aside under a name of its own and never replaced or deleted.
#include <gtest/gtest.h>

#include "app/page_memory_messages.h"

#include "common/paths.h"
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

class UnreadRecoveryTest : public ::testing::Test {
 protected:
  UnreadRecoveryTest() {
    std::filesystem::create_directory(temp.path() / "Log");
    WriteBytes(Copy(), kOld);
  }
  [[nodiscard]] std::filesystem::path Copy() const { return RecoveryCopyPath(temp.path()); }
  [[nodiscard]] std::filesystem::path Aside(int n) const {
    return temp.path() / "Log" / ("recovery.pmr.unread" + std::to_string(n));
  }
  std::unique_ptr<PageMemory> Memory(platform::FileSystem& files) {
    return std::make_unique<PageMemory>(files, shell, *ansi, clock, temp.path());
  }
  // A page opens and the memory records it, and the recovery timer fires.
  void PageChange(PageMemory& memory, const std::string& page) {
    shell.Open(page, "T");
    for (int i = 0; i < kSlotCount; ++i) memory.Tick();
    memory.WriteRecoveryIfChanged();
  }
  static const FileProblem* Find(const FileProblems& problems, const std::filesystem::path& path) {
    for (const auto& problem : problems) {
      if (problem.path == path) return &problem;
    }
    return nullptr;
  }

  // Pages of a killed run, as an editor with other line ends saved them: unreadable.
  static constexpr std::string_view kOld =
      "Pagemind recovery 1\nhttp://127.0.0.1/killed-run\nend\n";
  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  platform::headless::HeadlessClock clock;
  platform::headless::ScriptedShell shell;
};

TEST_F(UnreadRecoveryTest, ADamagedCopyIsMovedAsideNamedAndOutlivesPageChangesAndTheEnd) {
  WriteBytes(Aside(1), "an older unread copy");
  auto memory = Memory(files);
  const auto problems = memory->Load();
  const auto* problem = Find(problems, Copy());
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->error, platform::FileError::kDamaged);
  EXPECT_EQ(problem->outcome, FileProblem::Outcome::kMovedAside);
  EXPECT_EQ(problem->movedTo, Aside(2));
  EXPECT_EQ(ReadBytes(Aside(2)), kOld) << "the next free name";
  EXPECT_EQ(ReadBytes(Aside(1)), "an older unread copy");

  PageChange(*memory, "http://127.0.0.1/new");
  EXPECT_EQ(ReadBytes(Copy()), RecoveryCopyBytes({"http://127.0.0.1/new"}));
  EXPECT_TRUE(memory->Save().empty());
  EXPECT_FALSE(std::filesystem::exists(Copy())) << "the new copy has done its work";
  EXPECT_EQ(ReadBytes(Aside(2)), kOld);
  EXPECT_TRUE(app::StartupProblemsMessage(problems).find(Utf8FromPath(Aside(2))) !=
              std::string::npos);
}

TEST_F(UnreadRecoveryTest, ACopyTooLargeOrCutIsMovedAsideAndWhatWasReadIsKept) {
  const std::string cut = "Pagemind recovery 1\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/b";
  for (const std::string& bytes : {std::string(kRecoveryCopyLimit + 1, 'x'), cut}) {
    WriteBytes(Copy(), bytes);
    auto memory = Memory(files);
    const auto problems = memory->Load();
    ASSERT_NE(Find(problems, Copy()), nullptr);
    EXPECT_EQ(ReadBytes(Aside(1)), bytes);
    const auto pages = memory->pages();
    EXPECT_EQ(pages, bytes == cut ? std::vector<std::string>{"http://127.0.0.1/a"}
                                  : std::vector<std::string>{});
    (void)memory->Save();
    EXPECT_EQ(ReadBytes(Aside(1)), bytes);
    std::filesystem::remove(Aside(1));
  }
}

TEST_F(UnreadRecoveryTest, ACopyThatCannotBeMovedIsNeitherReplacedNorDeletedUntilItCanBe) {
  WriteBytes(SlotFilePath(temp.path(), 0), "http://127.0.0.1/last-end");
  testing::HeldFiles holding(files);
  holding.held = {Copy()};
  auto memory = Memory(holding);
  const auto problems = memory->Load();
  const auto* problem = Find(problems, Copy());
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->outcome, FileProblem::Outcome::kNotMovedAside);
  EXPECT_NE(app::StartupProblemsMessage(problems).find("上書きも削除もせず"), std::string::npos);
  EXPECT_EQ(problems.size(), 1U) << "the copy is reported once";
  EXPECT_TRUE(std::filesystem::exists(SlotFilePath(temp.path(), 0)))
      << "no copy holds the slot file's page: the file stays";

  PageChange(*memory, "http://127.0.0.1/new");
  EXPECT_EQ(ReadBytes(Copy()), kOld);
  const auto kept = memory->KeepForEndWithoutSaving();
  EXPECT_TRUE(kept.recoveryCopy.empty()) << "no copy holds the pages";
  EXPECT_TRUE(memory->Save().empty());
  EXPECT_EQ(ReadBytes(Copy()), kOld) << "the end deletes no copy it could not read";
  EXPECT_FALSE(std::filesystem::exists(Aside(1)));

  // The holder lets go: the next change moves the copy aside and writes a new one beside it.
  holding.held.clear();
  PageChange(*memory, "http://127.0.0.1/newer");
  EXPECT_EQ(ReadBytes(Aside(1)), kOld);
  const auto now = memory->pages();
  EXPECT_EQ(ReadBytes(Copy()), RecoveryCopyBytes(now));
  EXPECT_EQ(now.size(), 3U);
}

TEST_F(UnreadRecoveryTest, WithoutAProblemNothingIsMovedAndAMissingCopyNeedsNoMove) {
  WriteBytes(Copy(), RecoveryCopyBytes({"http://127.0.0.1/fine"}));
  auto memory = Memory(files);
  EXPECT_TRUE(memory->Load().empty());
  EXPECT_FALSE(std::filesystem::exists(Aside(1)));
  std::filesystem::path movedTo = "unchanged";
  std::filesystem::remove(Copy());
  EXPECT_FALSE(MoveUnreadCopyAside(files, Copy(), movedTo));
  EXPECT_TRUE(movedTo.empty());
}

}  // namespace
}  // namespace pagemind::pages
