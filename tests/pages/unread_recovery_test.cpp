// A recovery copy the start could not read may be the only copy of the pages of a run that was
// killed: it is moved aside under a name of its own and never replaced or deleted.
#include <gtest/gtest.h>

#include "app/page_memory_messages.h"

#include <cerrno>

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

// The disk, with one file that another program holds open with no sharing while `held` is
// true: it can be neither read nor renamed. Writing and deleting go through to the disk, so a
// program that does either to it is caught by the bytes left.
class HoldingFiles final : public platform::FileSystem {
 public:
  explicit HoldingFiles(std::filesystem::path heldPath) : held_(std::move(heldPath)) {}
  bool held = true;

  platform::PathKind Probe(const std::filesystem::path& path, std::error_code& error) override {
    return disk_.Probe(path, error);
  }
  std::error_code CreateFolder(const std::filesystem::path& path) override {
    return disk_.CreateFolder(path);
  }
  std::error_code ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                std::string& contents) override {
    if (IsHeld(path)) return {EBUSY, std::generic_category()};
    return disk_.ReadWholeFile(path, limit, contents);
  }
  std::vector<std::error_code> ReplaceFilesContents(
      std::span<const platform::FileReplacement> files) override {
    return disk_.ReplaceFilesContents(files);
  }
  std::error_code OverwriteFile(const std::filesystem::path& path,
                                std::string_view bytes) override {
    return disk_.OverwriteFile(path, bytes);
  }
  std::error_code DeleteFile(const std::filesystem::path& path) override {
    return disk_.DeleteFile(path);
  }
  std::error_code ListFolder(const std::filesystem::path& folder, std::size_t limit,
                             std::vector<platform::FolderEntry>& entries) override {
    return disk_.ListFolder(folder, limit, entries);
  }
  std::error_code RenameFile(const std::filesystem::path& from,
                             const std::filesystem::path& to) override {
    if (IsHeld(from)) return {EBUSY, std::generic_category()};
    return disk_.RenameFile(from, to);
  }
  [[nodiscard]] std::string DescribeError(const std::error_code& error) const override {
    return disk_.DescribeError(error);
  }

 private:
  [[nodiscard]] bool IsHeld(const std::filesystem::path& path) const {
    return held && path == held_;
  }
  std::filesystem::path held_;
  platform::headless::PosixFileSystem disk_;
};

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
  HoldingFiles holding(Copy());
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
  holding.held = false;
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
