// The file system's contract, run against the build's own platform: natively on Linux and, in
// the Windows build, under Wine.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ratio>

#include "common/paths.h"
#include "platform/files.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::platform {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class Files : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> files = MakeFileSystem();
};

TEST_F(Files, ProbeTellsNothingFileAndFolderApart) {
  TempFolder temp;
  WriteBytes(temp.path() / "a file", "x");
  std::error_code error;
  EXPECT_EQ(files->Probe(temp.path() / "a file", error), PathKind::kFile);
  EXPECT_FALSE(error);
  EXPECT_EQ(files->Probe(temp.path(), error), PathKind::kFolder);
  EXPECT_EQ(files->Probe(temp.path() / "missing", error), PathKind::kNothing);
  EXPECT_FALSE(error);
}

TEST_F(Files, CreateFolderFailsWhereTheParentIsMissing) {
  TempFolder temp;
  EXPECT_FALSE(files->CreateFolder(temp.path() / "Log"));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Log"));
  EXPECT_TRUE(files->CreateFolder(temp.path() / "no" / "Log"));
}

TEST_F(Files, ReadWholeFileKeepsEveryByteAndRefusesFilesAboveTheLimit) {
  TempFolder temp;
  const std::string bytes("a\0b\r\n\xff", 6);
  WriteBytes(temp.path() / "f", bytes);
  std::string read;
  ASSERT_FALSE(files->ReadWholeFile(temp.path() / "f", 6, read));
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(files->ReadWholeFile(temp.path() / "f", 5, read),
            make_error_code(FileError::kTooLarge));
  EXPECT_TRUE(read.empty());
  EXPECT_TRUE(files->ReadWholeFile(temp.path() / "missing", 5, read));
  EXPECT_TRUE(files->ReadWholeFile(temp.path(), 5, read)) << "a folder is not a file to read";
}

TEST_F(Files, ListFolderGivesEachEntryWithItsKindSizeAndTime) {
  TempFolder temp;
  WriteBytes(temp.path() / "Session_13441198676978760", std::string(1234, 'x'));
  WriteBytes(temp.path() / PathFromUtf8("日本語 b,c"), "");
  std::filesystem::create_directory(temp.path() / "Sessions");
  std::vector<FolderEntry> entries;
  ASSERT_FALSE(files->ListFolder(temp.path(), 10, entries));
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0].name, "Session_13441198676978760");
  EXPECT_FALSE(entries[0].folder);
  EXPECT_EQ(entries[0].size, 1234U);
  EXPECT_EQ(entries[1].name, "Sessions");
  EXPECT_TRUE(entries[1].folder);
  EXPECT_EQ(entries[1].size, 0U);
  EXPECT_EQ(entries[2].name, "日本語 b,c");
  EXPECT_EQ(entries[2].size, 0U);
  // 100-ns units since 1601-01-01 UTC: the files were written a moment ago.
  const auto now =
      std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(
          std::chrono::system_clock::now().time_since_epoch())
          .count() +
      std::int64_t{11644473600} * 10'000'000;
  for (const auto& entry : entries) {
    EXPECT_LT(std::abs(entry.lastWrite - now), std::int64_t{3600} * 10'000'000) << entry.name;
  }
}

TEST_F(Files, ListFolderReportsAMissingFolderAndStopsAtTheLimit) {
  TempFolder temp;
  std::vector<FolderEntry> entries{{"stale"}};
  ASSERT_FALSE(files->ListFolder(temp.path(), 10, entries));
  EXPECT_TRUE(entries.empty()) << "an empty folder lists nothing, not even . and ..";
  EXPECT_TRUE(files->ListFolder(temp.path() / "missing", 10, entries));
  WriteBytes(temp.path() / "a file", "x");
  EXPECT_TRUE(files->ListFolder(temp.path() / "a file", 10, entries)) << "a file is no folder";
  for (int i = 0; i < 5; ++i) WriteBytes(temp.path() / std::to_string(i), "");
  EXPECT_EQ(files->ListFolder(temp.path(), 3, entries),
            make_error_code(FileError::kTooManyEntries));
  EXPECT_EQ(entries.size(), 3U);
  EXPECT_FALSE(files->ListFolder(temp.path(), 6, entries));
  EXPECT_EQ(entries.size(), 6U);
}

TEST_F(Files, ReplaceFileContentsCreatesOrReplacesAndLeavesNoTemporary) {
  TempFolder temp;
  const auto target = temp.path() / "log00.pms";
  ASSERT_FALSE(files->ReplaceFileContents(target, "first, longer text"));
  EXPECT_EQ(ReadBytes(target), "first, longer text");
  ASSERT_FALSE(files->ReplaceFileContents(target, "second"));
  EXPECT_EQ(ReadBytes(target), "second");
  ASSERT_FALSE(files->ReplaceFileContents(target, ""));
  EXPECT_EQ(ReadBytes(target), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}

TEST_F(Files, AFailedReplaceKeepsTheOldContentsWhole) {
  TempFolder temp;
  // A folder in the target's place cannot be replaced by a file: the step fails after the new
  // bytes were written beside it, which is the moment a half-done save would show.
  const auto blocked = temp.path() / "blocked";
  std::filesystem::create_directory(blocked);
  WriteBytes(blocked / "inside", "kept");
  EXPECT_TRUE(files->ReplaceFileContents(blocked, "new"));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  EXPECT_EQ(ReadBytes(blocked / "inside"), "kept");
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "blocked.tmp"));

  // A target in a folder that does not exist fails before anything is written.
  EXPECT_TRUE(files->ReplaceFileContents(temp.path() / "none" / "f", "x"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "none"));
}

TEST_F(Files, ReplacingSeveralFilesReportsEachAndKeepsTheOthersGoing) {
  TempFolder temp;
  WriteBytes(temp.path() / "b", "old b");
  std::filesystem::create_directory(temp.path() / "blocked");
  const FileReplacement replacements[] = {
      {temp.path() / "a", "new a"},
      {temp.path() / "blocked", "never"},
      {temp.path() / "b", ""},
  };
  const auto errors = files->ReplaceFilesContents(replacements);
  ASSERT_EQ(errors.size(), 3U);
  EXPECT_FALSE(errors[0]);
  EXPECT_TRUE(errors[1]);
  EXPECT_FALSE(errors[2]);
  EXPECT_EQ(ReadBytes(temp.path() / "a"), "new a");
  EXPECT_EQ(ReadBytes(temp.path() / "b"), "");
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "blocked"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 3)
      << "no file is left beside a target";
}

TEST_F(Files, WhatAKilledSaveLeftBesideATargetNeitherBlocksNorLeaksIntoTheNextSave) {
  TempFolder temp;
  const auto target = temp.path() / "log00.pms";
  WriteBytes(target, "http://127.0.0.1/old");
  // A save killed after writing the file beside its target: longer than what comes next, so
  // bytes kept from it would show.
  WriteBytes(temp.path() / "log00.pms.tmp", "http://127.0.0.1/from-the-killed-save/long");
  ASSERT_FALSE(files->ReplaceFileContents(target, "http://127.0.0.1/new"));
  EXPECT_EQ(ReadBytes(target), "http://127.0.0.1/new");
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "log00.pms.tmp"));
}

TEST_F(Files, OverwriteFileWritesExactlyTheChosenFileAndNothingBesideIt) {
  TempFolder temp;
  const auto chosen = temp.path() / "mylog.txt";
  // The user's own file of the name a temporary would take.
  const std::string theirs("their \0 own\r\n\xff", 14);
  WriteBytes(temp.path() / "mylog.txt.tmp", theirs);
  ASSERT_FALSE(files->OverwriteFile(chosen, "first, the longer text"));
  EXPECT_EQ(ReadBytes(chosen), "first, the longer text");
  ASSERT_FALSE(files->OverwriteFile(chosen, "short"));
  EXPECT_EQ(ReadBytes(chosen), "short") << "nothing of the longer text is left";
  ASSERT_FALSE(files->OverwriteFile(chosen, ""));
  EXPECT_EQ(ReadBytes(chosen), "");
  EXPECT_EQ(ReadBytes(temp.path() / "mylog.txt.tmp"), theirs);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 2);
}

TEST_F(Files, OverwriteFileReportsWhatItCannotWriteAndLeavesItAsItWas) {
  TempFolder temp;
  std::filesystem::create_directory(temp.path() / "folder");
  WriteBytes(temp.path() / "folder" / "inside", "kept");
  EXPECT_TRUE(files->OverwriteFile(temp.path() / "folder", "new"));
  EXPECT_EQ(ReadBytes(temp.path() / "folder" / "inside"), "kept");
  EXPECT_TRUE(files->OverwriteFile(temp.path() / "none" / "f", "x"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "none"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}

#ifndef _WIN32
TEST_F(Files, OverwriteFileKeepsTheFilesPermissionsAndNeedsNoRightToCreate) {
  TempFolder temp;
  using std::filesystem::perms;
  const auto chosen = temp.path() / "shared.txt";
  WriteBytes(chosen, "old contents");
  std::filesystem::permissions(chosen, perms::owner_read | perms::owner_write | perms::group_read |
                                           perms::others_read | perms::others_write);
  std::filesystem::permissions(temp.path(), perms::owner_read | perms::owner_exec |
                                                perms::group_read | perms::group_exec |
                                                perms::others_read | perms::others_exec);
  struct stat before {};
  ASSERT_EQ(::stat(chosen.c_str(), &before), 0);
  {
    const testing::AsOrdinaryUser user;
    EXPECT_FALSE(files->OverwriteFile(chosen, "new")) << "the folder takes no new file";
  }
  EXPECT_EQ(ReadBytes(chosen), "new");
  struct stat after {};
  ASSERT_EQ(::stat(chosen.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid) << "the same file, not a new one of the writer's";
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(Files, OverwriteFileRefusesAReadOnlyFileAndLeavesItWhole) {
  TempFolder temp;
  const auto chosen = temp.path() / "read-only.txt";
  WriteBytes(chosen, "old contents");
  std::filesystem::permissions(chosen, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  std::error_code error;
  {
    const testing::AsOrdinaryUser user;
    error = files->OverwriteFile(chosen, "new");
  }
  EXPECT_EQ(error, std::errc::permission_denied);
  EXPECT_EQ(ReadBytes(chosen), "old contents");
}
#endif

TEST_F(Files, DeleteFileRemovesAFileAndReportsAMissingOne) {
  TempFolder temp;
  WriteBytes(temp.path() / "f", "x");
  EXPECT_FALSE(files->DeleteFile(temp.path() / "f"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "f"));
  EXPECT_TRUE(files->DeleteFile(temp.path() / "f"));
}

TEST_F(Files, RenameFileMovesTheBytesAndNeverTakesAnotherFilesPlace) {
  TempFolder temp;
  const auto from = temp.path() / "recovery.pmr";
  const auto to = temp.path() / "recovery.pmr.unread1";
  const std::string bytes("line\n\0\xff", 8);
  WriteBytes(from, bytes);
  ASSERT_FALSE(files->RenameFile(from, to));
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(ReadBytes(to), bytes);

  WriteBytes(from, "newer");
  const auto refused = files->RenameFile(from, to);
  EXPECT_TRUE(refused) << "the new name is taken";
  EXPECT_FALSE(files->DescribeError(refused).empty());
  EXPECT_EQ(ReadBytes(from), "newer");
  EXPECT_EQ(ReadBytes(to), bytes) << "the file of that name is not replaced";

  EXPECT_TRUE(files->RenameFile(temp.path() / "missing", temp.path() / "other"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "other"));
}

TEST_F(Files, ErrorsAreDescribedInWords) {
  TempFolder temp;
  const auto error = files->DeleteFile(temp.path() / "missing");
  ASSERT_TRUE(error);
  EXPECT_FALSE(files->DescribeError(error).empty());
  // Each reader names its own file's limit; the platform's text names no size and no kind.
  const auto tooLarge = files->DescribeError(make_error_code(FileError::kTooLarge));
  EXPECT_NE(tooLarge.find("大きすぎます"), std::string::npos) << tooLarge;
  EXPECT_EQ(tooLarge.find("KB"), std::string::npos) << tooLarge;
  EXPECT_EQ(tooLarge.find("アドレス"), std::string::npos) << tooLarge;
}

}  // namespace
}  // namespace pagemind::platform
