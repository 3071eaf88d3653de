#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "test_support.h"

#undef DeleteFile

namespace pagemind::platform {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class Win32Files : public ::testing::Test {
 protected:
  win32::WindowsFileSystem files;
};

win32::UniqueFile OpenWithSharing(const std::filesystem::path& path, DWORD access, DWORD share) {
  return win32::UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST_F(Win32Files, ReplaceBlockedByAnOpenTargetKeepsTheOldContentsAndNoTemporary) {
  TempFolder folder;
  const auto target = folder.path() / "log00.pms";
  WriteBytes(target, "http://127.0.0.1/old");
  {
    // An editor or a virus scanner holding the file without FILE_SHARE_DELETE blocks the
    // rename; the error must be the system's and nothing may be half-written.
    const auto holder = OpenWithSharing(target, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(holder);
    const std::error_code error = files.ReplaceFileContents(target, "http://127.0.0.1/new");
    ASSERT_TRUE(error);
    EXPECT_EQ(error.category(), std::system_category());
    EXPECT_FALSE(files.DescribeError(error).empty());
  }
  EXPECT_EQ(ReadBytes(target), "http://127.0.0.1/old");
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "log00.pms.tmp"));

  // Once the holder lets go the same call succeeds.
  EXPECT_FALSE(files.ReplaceFileContents(target, "http://127.0.0.1/new"));
  EXPECT_EQ(ReadBytes(target), "http://127.0.0.1/new");
}

TEST_F(Win32Files, OverwriteKeepsTheChosenFilesAttributesAndTouchesNothingBesideIt) {
  TempFolder folder;
  const auto chosen = folder.path() / "mylog.txt";
  WriteBytes(chosen, "an older, longer log");
  WriteBytes(folder.path() / "mylog.txt.tmp", "the user's own");
  const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(::SetFileAttributesW(chosen.c_str(), attributes));
  ASSERT_FALSE(files.OverwriteFile(chosen, "new log"));
  EXPECT_EQ(ReadBytes(chosen), "new log");
  EXPECT_EQ(::GetFileAttributesW(chosen.c_str()), attributes);
  EXPECT_EQ(ReadBytes(folder.path() / "mylog.txt.tmp"), "the user's own");
}

TEST_F(Win32Files, OverwriteRefusesAHeldFileAndLeavesItAsItWas) {
  TempFolder folder;
  const auto chosen = folder.path() / "held.txt";
  WriteBytes(chosen, "kept");
  // Another program writing it: the save waits for nobody and changes nothing.
  const auto writer = OpenWithSharing(chosen, GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_TRUE(writer);
  EXPECT_EQ(files.OverwriteFile(chosen, "new").value(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadBytes(chosen), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST_F(Win32Files, OverwriteRefusesAReadOnlyFileAndLeavesItAsItWas) {
  TempFolder folder;
  const auto chosen = folder.path() / "read-only.txt";
  WriteBytes(chosen, "kept");
  ASSERT_TRUE(::SetFileAttributesW(chosen.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine keeps the attribute as missing write bits, which a Wine run as root writes through.
  if (OpenWithSharing(chosen, GENERIC_WRITE, FILE_SHARE_READ)) {
    ::SetFileAttributesW(chosen.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this system lets a read-only file be opened for writing";
  }
  EXPECT_EQ(files.OverwriteFile(chosen, "new").value(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadBytes(chosen), "kept");
  EXPECT_EQ(::GetFileAttributesW(chosen.c_str()), DWORD{FILE_ATTRIBUTE_READONLY});
  ::SetFileAttributesW(chosen.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32Files, RenameOfAHeldFileWaitsForTheHolderUnlessItSharesDeleting) {
  TempFolder folder;
  const auto from = folder.path() / "recovery.pmr";
  const auto to = folder.path() / "recovery.pmr.unread1";
  WriteBytes(from, "held");
  {
    // No sharing at all, as the copy is held when the start cannot read it.
    const auto holder = OpenWithSharing(from, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(holder);
    EXPECT_EQ(files.RenameFile(from, to).value(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(std::filesystem::exists(to));
  }
  {
    const auto reader = OpenWithSharing(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(files.RenameFile(from, to));
  }
  EXPECT_EQ(ReadBytes(to), "held");
  EXPECT_FALSE(std::filesystem::exists(from));
  WriteBytes(from, "newer");
  EXPECT_EQ(files.RenameFile(from, to).value(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadBytes(to), "held");
}

TEST_F(Win32Files, ReadingDoesNotNeedOthersToLetGo) {
  TempFolder folder;
  const auto file = folder.path() / "busy.txt";
  WriteBytes(file, "abc");
  const auto writer =
      OpenWithSharing(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_TRUE(writer);
  std::string contents;
  EXPECT_FALSE(files.ReadWholeFile(file, 64 * 1024, contents));
  EXPECT_EQ(contents, "abc");
}

TEST_F(Win32Files, AFileHeldWithoutSharingIsNamedSoAndReadableOnceLetGo) {
  TempFolder folder;
  const auto file = folder.path() / "Session_13441198976082094";
  WriteBytes(file, "SNSS");
  std::string contents;
  {
    // As a Chromium-family browser holds the session file it writes: no sharing at all.
    const auto browser = OpenWithSharing(file, GENERIC_WRITE, 0);
    ASSERT_TRUE(browser);
    EXPECT_EQ(files.ReadWholeFile(file, 1024, contents), make_error_code(FileError::kHeldOpen));
    EXPECT_TRUE(contents.empty());
    std::vector<FolderEntry> entries;
    ASSERT_FALSE(files.ListFolder(folder.path(), 10, entries)) << "listing opens nothing";
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0].size, 4U);
  }
  ASSERT_FALSE(files.ReadWholeFile(file, 1024, contents));
  EXPECT_EQ(contents, "SNSS");
  // The reader let go at once: the browser may delete or replace its file right after.
  EXPECT_TRUE(::DeleteFileW(file.c_str()));
}

TEST_F(Win32Files, SystemReasonsAreSingleLineUtf8) {
  for (const DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED},
                           DWORD{ERROR_SHARING_VIOLATION}, DWORD{ERROR_DISK_FULL}}) {
    const std::string text = files.DescribeError({static_cast<int>(code), std::system_category()});
    SCOPED_TRACE(text);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_NE(text.back(), ' ');
    // Valid UTF-8 survives a round trip through UTF-16 unchanged.
    EXPECT_EQ(win32::Narrow(win32::Widen(text)), text);
  }
}

TEST_F(Win32Files, ReasonsWithoutASystemTextStillSaySomething) {
  const std::string unknown = files.DescribeError({0x2BADF00D, std::system_category()});
  EXPECT_NE(unknown.find(std::to_string(0x2BADF00Du)), std::string::npos) << unknown;
  EXPECT_EQ(files.DescribeError(FileError::kTooLarge),
            make_error_code(FileError::kTooLarge).message());
  EXPECT_EQ(files.DescribeError(std::make_error_code(std::errc::no_space_on_device)),
            std::make_error_code(std::errc::no_space_on_device).message());
}

}  // namespace
}  // namespace pagemind::platform

#endif  // _WIN32
