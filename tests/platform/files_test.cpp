// The file system's contract, run against the build's own platform: natively on Linux and, in
// the Windows build, under Wine.
#include <gtest/gtest.h>

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

TEST_F(Files, DeleteFileRemovesAFileAndReportsAMissingOne) {
  TempFolder temp;
  WriteBytes(temp.path() / "f", "x");
  EXPECT_FALSE(files->DeleteFile(temp.path() / "f"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "f"));
  EXPECT_TRUE(files->DeleteFile(temp.path() / "f"));
}

TEST_F(Files, ErrorsAreDescribedInWords) {
  TempFolder temp;
  const auto error = files->DeleteFile(temp.path() / "missing");
  ASSERT_TRUE(error);
  EXPECT_FALSE(files->DescribeError(error).empty());
  EXPECT_NE(files->DescribeError(make_error_code(FileError::kTooLarge)).find("64 KB"),
            std::string::npos);
}

}  // namespace
}  // namespace pagemind::platform
